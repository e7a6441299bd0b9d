// The straight-step ramps on both sides of a boundary.
//
// A step measured on one side gets a half ramp whose coverage follows the
// line drawn across the step; a one-pixel line running away from the
// boundary gets a full ramp instead.
#pragma once

#include "kernels/SmoothingPass.h"
#include "kernels/StepMeasures.h"

// Which parts of a boundary applied a ramp.
struct BoundaryRamps {
    bool first = false;   // left part of a vertical boundary, upper part of a horizontal one
    bool second = false;  // right part, lower part
    bool full = false;    // one of them was a one-sided (full) ramp
};

// One side of a boundary at (x, y): its measures and the ramp's pixels.
struct StepPart {
    StepKind kind;
    A_long step;          // n, the near step's length; 0 when there is none
    A_long farEnd;        // m, the far end's measure; 0 when not measured
    A_long line;          // the one-sided length, used when step is 0
    A_long x, y, dx, dy;  // the ramp's first pixel and its direction
    A_long fromX, fromY;  // the source pixel across the boundary
};

// True when the part applied a ramp; full is set when that was a full ramp.
template <class Depth>
bool ApplyStepPart(const SmoothingPass<Depth> &pass, const StepPart &part, A_long x, A_long y, bool &full)
{
    if (part.step > 0) {
        const A_long coverage = part.farEnd != 0
                                    ? StepCoverage(pass.map, part.kind, part.step, part.farEnd, x, y, pass.strength)
                                    : pass.strength;
        BlendRamp(pass, Depth::kHalfRampLevel, Depth::RampStep(coverage, part.step), part.x, part.y, part.dx,
                  part.dy, part.fromX, part.fromY);
        return true;
    }
    if (part.line == 0) return false;
    BlendRamp(pass, Depth::kFullRampLevel, Depth::FullRampStep(pass.strength, part.line), part.x, part.y, part.dx,
              part.dy, part.fromX, part.fromY);
    full = true;
    return true;
}

// The boundary between (x, y) and (x + 1, y).
template <class Depth>
BoundaryRamps VerticalBoundaryRamps(const SmoothingPass<Depth> &pass, A_long x, A_long y)
{
    const EdgeMap &map = pass.map;
    BoundaryRamps ramps;

    const A_long left = StepLeft(map, x, y);
    const StepPart leftPart{StepKind::Left, left, left > 0 && left < x ? StepRight(map, x - left - 1, y) : 0,
                            left > 0 ? 0 : OneSidedLeft(map, x, y), x, y, -1, 0, x + 1, y};
    ramps.first = ApplyStepPart(pass, leftPart, x, y, ramps.full);

    const A_long right = StepRight(map, x, y);
    const StepPart rightPart{StepKind::Right, right,
                             right > 0 && x + right + 1 < map.width() ? StepLeft(map, x + right + 1, y) : 0,
                             right > 0 ? 0 : OneSidedRight(map, x, y), x + 1, y, 1, 0, x, y};
    ramps.second = ApplyStepPart(pass, rightPart, x, y, ramps.full);
    return ramps;
}

// The boundary between (x, y) and (x, y + 1).
template <class Depth>
BoundaryRamps HorizontalBoundaryRamps(const SmoothingPass<Depth> &pass, A_long x, A_long y)
{
    const EdgeMap &map = pass.map;
    BoundaryRamps ramps;

    const A_long up = y >= 1 ? StepUp(map, x, y) : 0;
    const StepPart upperPart{StepKind::Up, up, up > 0 && up < y ? StepDown(map, x, y - up - 1) : 0,
                             up > 0 ? 0 : OneSidedUp(map, x, y), x, y, 0, -1, x, y + 1};
    ramps.first = ApplyStepPart(pass, upperPart, x, y, ramps.full);

    const A_long down = StepDown(map, x, y);
    const StepPart lowerPart{StepKind::Down, down,
                             down > 0 && y + down + 1 < map.height() ? StepUp(map, x, y + down + 1) : 0,
                             down > 0 ? 0 : OneSidedDown(map, x, y), x, y + 1, 0, 1, x, y};
    ramps.second = ApplyStepPart(pass, lowerPart, x, y, ramps.full);
    return ramps;
}
