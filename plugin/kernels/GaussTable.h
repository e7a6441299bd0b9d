// Gaussian weights in unsigned 16-bit fixed point whose full kernel of
// 2n - 1 taps sums to exactly 32768.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"

// Weights are stored for distances 0..299; a longer kernel carries a constant
// tail weight at every position instead.
constexpr A_long kStoredTaps = 300;

struct GaussTable {
    A_u_short taps[kStoredTaps];  // taps[k]: weight at distance k from the centre
    A_long stored;                // entries of taps in use: min(n, 300)
    A_long n;                     // taps per side, centre included
    A_u_short tail;               // weight every position adds when n > 300, else 0
    A_u_short tailTotal;          // tail * (2n - 1), modulo 65536
};

// 2 * sum(taps) - taps[0] + (2n - 1) * tail is always 32768.
GaussTable MakeGaussTable(A_long n, double variance);
