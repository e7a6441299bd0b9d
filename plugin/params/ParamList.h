// Disk ids of the controls. Saved projects refer to controls by these ids, so
// they never change: "View" is 1, and each group's members sit at fixed
// offsets from the group's base id.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"

namespace ParamIds {

constexpr A_long kView = 1;
constexpr A_long kBaseGroup = 50;
constexpr A_long kProcessGroup[5] = {0, 100, 150, 200, 250};  // indexed by process number 1..4

constexpr A_long kGroupStart = 0;
constexpr A_long kGroupEnd = 1;
constexpr A_long kEnableProcess = 2;
constexpr A_long kBlurAmount = 4;
constexpr A_long kBlurRepeat = 5;
constexpr A_long kBoundaryBias = 6;
constexpr A_long kBoundaryBlur = 7;
constexpr A_long kKeepDivision = 9;
constexpr A_long kKeepProcess = 10;

// Offsets of key k (0..3): its enable box, colour and range.
constexpr A_long KeyEnable(int k) { return 11 + 3 * k; }
constexpr A_long KeyColour(int k) { return 12 + 3 * k; }
constexpr A_long KeyRange(int k) { return 13 + 3 * k; }

}  // namespace ParamIds
