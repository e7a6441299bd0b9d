// Measures of the staircase around a boundary, read from the edge map.
//
// A vertical boundary lies between (x, y) and (x + 1, y) (bit R of (x, y)),
// a horizontal one between (x, y) and (x, y + 1) (bit D). The step lengths
// count the pixels of the stair step that ends at the boundary; the
// one-sided lengths measure one-pixel-wide lines running away from it.
#pragma once

#include "kernels/EdgeMap.h"

// The part of a boundary a step is seen from: the left and right parts of a
// vertical boundary, the upper and lower parts of a horizontal one.
enum class StepKind { Left = 0, Right = 1, Up = 2, Down = 3 };

A_long StepLeft(const EdgeMap &map, A_long x, A_long y);
A_long StepRight(const EdgeMap &map, A_long x, A_long y);
A_long StepUp(const EdgeMap &map, A_long x, A_long y);
A_long StepDown(const EdgeMap &map, A_long x, A_long y);

A_long OneSidedLeft(const EdgeMap &map, A_long x, A_long y);
A_long OneSidedRight(const EdgeMap &map, A_long x, A_long y);
A_long OneSidedUp(const EdgeMap &map, A_long x, A_long y);
A_long OneSidedDown(const EdgeMap &map, A_long x, A_long y);

// True when a one-pixel notch sits at the step's pivot.
bool OneStepCorner(const EdgeMap &map, StepKind kind, A_long x, A_long y);

// The coverage t of a step of near length n whose far end measures m (m > 0).
A_long StepCoverage(const EdgeMap &map, StepKind kind, A_long n, A_long m, A_long x, A_long y, A_long strength);

// True when (x, y) is a lone pixel that its neighbours should absorb.
bool IsIsolatedPixel(const EdgeMap &map, A_long x, A_long y);
