#include "kernels/StepMeasures.h"

#include <algorithm>

namespace {

// Long one-pixel lines count less than their length.
A_long Compress(A_long j) { return j < 6 ? j : ((j - 5) >> 1) + 5; }

}  // namespace

A_long StepLeft(const EdgeMap &map, A_long x, A_long y)
{
    A_long i = 0;
    if (!map.X(x, y - 1)) {
        bool closed = false;
        if (!map.R(x - 1, y)) {
            A_long k = x - 1;
            do {
                if (map.R(k, y - 1) || !map.D(k, y - 1)) break;
                --k;
                ++i;
                closed = map.R(k, y);
            } while (!closed);
        }
        if (i > 2 && !map.D(x + 1, y))
            i = 0;
        else if (closed && i > 0)
            return i;
    }
    if (map.Y(x, y)) return i;
    A_long j = 0;
    if (!map.R(x - 1, y)) {
        for (A_long k = x - 1; !map.R(k, y + 1) && map.D(k, y);) {
            --k;
            ++j;
            if (map.R(k, y)) break;
        }
        if (j > 2 && !map.D(x + 1, y - 1)) j = 0;
    }
    return std::max(i, j);
}

A_long StepRight(const EdgeMap &map, A_long x, A_long y)
{
    // A one-pixel-wide column right of the boundary has no step on either run.
    if (map.R(x + 1, y)) return 0;
    A_long i = 0;
    if (!map.Y(x, y - 1)) {
        bool closed = false;
        A_long k = x + 1;
        do {
            if (map.R(k, y - 1) || !map.D(k, y - 1)) break;
            ++k;
            ++i;
            closed = map.R(k, y);
        } while (!closed);
        if (i > 2 && !map.D(x, y))
            i = 0;
        else if (closed && i > 0)
            return i;
    }
    if (map.X(x, y)) return i;
    A_long j = 0;
    for (A_long k = x + 1; !map.R(k, y + 1) && map.D(k, y);) {
        ++k;
        ++j;
        if (map.R(k, y)) break;
    }
    if (j > 2 && !map.D(x, y - 1)) j = 0;
    return std::max(i, j);
}

A_long StepUp(const EdgeMap &map, A_long x, A_long y)
{
    A_long i = 0;
    if (!map.X(x - 1, y)) {
        // A one-pixel-tall row above closes the run at once, empty.
        bool closed = map.D(x, y - 1);
        if (!closed) {
            A_long r = y - 1;
            do {
                if (map.D(x - 1, r) || !map.R(x - 1, r)) break;
                --r;
                ++i;
                closed = map.D(x, r);
            } while (!closed);
        }
        if (i > 2 && !map.R(x, y + 1))
            i = 0;
        else if (closed && i > 0)
            return i;
    }
    if (map.Y(x, y)) return i;
    A_long j = 0;
    if (!map.D(x, y - 1)) {
        for (A_long r = y - 1; !map.D(x + 1, r) && map.R(x, r);) {
            --r;
            ++j;
            if (map.D(x, r)) break;
        }
        if (j > 2 && !map.R(x - 1, y + 1)) j = 0;
    }
    return std::max(i, j);
}

A_long StepDown(const EdgeMap &map, A_long x, A_long y)
{
    // A one-pixel-tall row below closes both runs at once, empty.
    if (map.D(x, y + 1)) return 0;
    A_long i = 0;
    if (!map.Y(x - 1, y)) {
        bool closed = false;
        A_long r = y + 1;
        do {
            if (map.D(x - 1, r) || !map.R(x - 1, r)) break;
            ++r;
            ++i;
            closed = map.D(x, r);
        } while (!closed);
        if (i > 2 && !map.R(x, y))
            i = 0;
        else if (closed && i > 0)
            return i;
    }
    if (map.X(x, y)) return i;
    A_long j = 0;
    for (A_long r = y + 1; !map.D(x + 1, r) && map.R(x, r);) {
        ++r;
        ++j;
        if (map.D(x, r)) break;
    }
    if (j > 2 && !map.R(x - 1, y)) j = 0;
    return std::max(i, j);
}

A_long OneSidedLeft(const EdgeMap &map, A_long x, A_long y)
{
    if (map.X(x, y - 1) || map.D(x + 1, y - 1) || map.R(x + 1, y) || map.Y(x, y) || map.D(x + 1, y) ||
        map.R(x - 1, y))
        return 0;
    A_long j = 0;
    for (A_long k = x - 1; !map.R(k, y - 1) && map.D(k, y - 1) && !map.R(k, y + 1) && map.D(k, y); --k) {
        ++j;
        if (map.R(k - 1, y)) break;
    }
    return Compress(j);
}

A_long OneSidedRight(const EdgeMap &map, A_long x, A_long y)
{
    if (map.D(x, y - 1) || map.Y(x, y - 1) || map.R(x - 1, y) || map.D(x, y) || map.X(x, y) || map.R(x + 1, y))
        return 0;
    A_long j = 0;
    for (A_long k = x + 1; !map.R(k, y - 1) && map.D(k, y - 1) && !map.R(k, y + 1) && map.D(k, y); ++k) {
        ++j;
        if (map.R(k + 1, y)) break;
    }
    return Compress(j);
}

A_long OneSidedUp(const EdgeMap &map, A_long x, A_long y)
{
    if (map.X(x - 1, y) || map.Y(x, y) || map.R(x - 1, y + 1) || map.R(x, y + 1) || map.D(x, y + 1) ||
        map.D(x, y - 1))
        return 0;
    A_long i = 0;
    for (A_long r = y - 1; !map.D(x - 1, r) && map.R(x - 1, r) && !map.D(x + 1, r) && map.R(x, r);) {
        --r;
        ++i;
        if (map.D(x, r)) break;
    }
    return Compress(i);
}

A_long OneSidedDown(const EdgeMap &map, A_long x, A_long y)
{
    if (map.D(x, y - 1) || map.R(x - 1, y) || map.R(x, y) || map.Y(x - 1, y) || map.X(x, y) || map.D(x, y + 1))
        return 0;
    A_long i = 0;
    for (A_long r = y + 1; !map.D(x - 1, r) && map.R(x - 1, r) && !map.D(x + 1, r) && map.R(x, r);) {
        ++r;
        ++i;
        if (map.D(x, r)) break;
    }
    return Compress(i);
}

bool OneStepCorner(const EdgeMap &map, StepKind kind, A_long x, A_long y)
{
    A_long a = 0, b = 0;
    switch (kind) {
    case StepKind::Left:
        if (map.D(x, y) == (y > 0 && map.D(x, y - 1))) return false;
        a = x - 1;
        b = map.D(x, y) ? y - 1 : y;
        break;
    case StepKind::Right:
        if (x >= map.width() - 1 || map.D(x + 1, y) == (y > 0 && map.D(x + 1, y - 1))) return false;
        a = x + 1;
        b = map.D(x + 1, y) ? y - 1 : y;
        break;
    case StepKind::Up:
        if (map.R(x, y) == (x > 0 && map.R(x - 1, y))) return false;
        a = map.R(x, y) ? x - 1 : x;
        b = y - 1;
        break;
    case StepKind::Down:
        if (y >= map.height() - 1 || map.R(x, y + 1) == (x > 0 && map.R(x - 1, y + 1))) return false;
        a = map.R(x, y + 1) ? x - 1 : x;
        b = y + 1;
        break;
    }
    // A pivot in the border row above the world would need the row above
    // the map; its R bits are clear there, so no notch.
    if (b < 0) return false;
    return map.R(a - 1, b) && map.R(a - 1, b + 1) && map.R(a + 1, b) && map.R(a + 1, b + 1) && map.D(a, b - 1) &&
           map.D(a, b + 1) && map.D(a + 1, b - 1) && map.D(a + 1, b + 1) && !map.R(a, b) && !map.R(a, b + 1) &&
           !map.D(a, b) && !map.D(a + 1, b);
}

A_long StepCoverage(const EdgeMap &map, StepKind kind, A_long n, A_long m, A_long x, A_long y, A_long strength)
{
    if (n == 1 && m == 1) {
        if (OneStepCorner(map, kind, x, y)) return strength * 10 / 100;
        const bool vertical = kind == StepKind::Left || kind == StepKind::Right;
        const bool besideCorner = vertical
                                      ? OneStepCorner(map, kind, x, y + 1) || OneStepCorner(map, kind, x, y - 1)
                                      : OneStepCorner(map, kind, x + 1, y) || OneStepCorner(map, kind, x - 1, y);
        if (besideCorner) return strength * 36 / 100;
    }
    return strength * (2 * n - m) * 100 / (140 * n);
}

bool IsIsolatedPixel(const EdgeMap &map, A_long x, A_long y)
{
    const bool left = map.R(x - 1, y), right = map.R(x, y), above = map.D(x, y - 1), below = map.D(x, y);
    const bool upperLeft = map.X(x - 1, y - 1), upperRight = map.Y(x, y - 1);
    const bool lowerLeft = map.Y(x - 1, y), lowerRight = map.X(x, y);
    const int differing = left + right + above + below;
    if (differing == 4) return (upperRight || lowerLeft) && (lowerRight || upperLeft);
    if (differing != 3 || (upperLeft && upperRight && lowerLeft && lowerRight)) return false;
    if (!left) return upperRight && lowerRight;
    if (!right) return lowerLeft && upperLeft;
    if (!above) return lowerLeft && lowerRight;
    return upperRight && upperLeft;
}
