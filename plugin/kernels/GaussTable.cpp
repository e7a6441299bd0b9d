#include "kernels/GaussTable.h"

#include <cmath>

namespace {

double Weight(A_long k, double variance)
{
    const A_long k2 = k * k;
    return std::exp(-0.5 * k2 / variance);
}

}  // namespace

GaussTable MakeGaussTable(A_long n, double variance)
{
    GaussTable table{};
    if (n <= 1) {
        table.taps[0] = 32768;
        table.stored = 1;
        table.n = 1;
        return table;
    }
    table.n = n;

    // Summed in ascending k so that the table does not depend on anything
    // but n and the variance.
    double sum = 0.0;
    for (A_long k = 0; k < n; ++k) sum += Weight(k, variance);
    const double scale = 2.0 * sum - Weight(0, variance);

    double mean = 0.0;
    if (n > kStoredTaps) {
        double tailSum = 0.0;
        for (A_long k = kStoredTaps; k < n; ++k) tailSum += Weight(k, variance) / scale;
        mean = tailSum / (n - kStoredTaps);
        table.tail = static_cast<A_u_short>(mean * 32768);
    }
    table.stored = n > kStoredTaps ? kStoredTaps : n;
    for (A_long k = 0; k < table.stored; ++k)
        table.taps[k] = static_cast<A_u_short>((Weight(k, variance) / scale - mean) * 32768);

    // Truncation leaves a few units short of 32768: they go to the centre and
    // the innermost taps, two units for every tap that appears on both sides.
    A_long total = table.taps[0] + (2 * n - 1) * table.tail;
    for (A_long k = 1; k < table.stored; ++k) total += 2 * table.taps[k];
    A_long residual = 32768 - total;
    for (A_long j = 0; residual > 1; ++j) {
        const A_long k = j % table.stored;
        ++table.taps[k];
        residual -= k == 0 ? 1 : 2;
    }
    table.taps[0] = static_cast<A_u_short>(table.taps[0] + residual);
    table.tailTotal = static_cast<A_u_short>((2 * n - 1) * table.tail);
    return table;
}
