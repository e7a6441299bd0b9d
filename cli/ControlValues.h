// Control values given on the command line or in a defaults-format file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Errors.h"
#include "fxhost/Effect.h"

// The colour of an image's pixel as the effect keys it, for "@X,Y"; throws
// UsageError for a pixel outside the image.
using PixelSource = std::function<PF_Pixel(long x, long y)>;

// "NAME=VALUE": numbers for sliders, on/off for checkboxes, an item name or
// number for popups, "#RRGGBB", "r,g,b" or "@X,Y" (the colour of a pixel of
// `pixels`) for colours.
void ApplySetting(fxhost::Effect &effect, const std::string &assignment, const PixelSource &pixels = {});

// The control with this name, in any case; throws UsageError naming the
// closest one when there is none.
int FindControl(fxhost::ParamStore &params, const std::string &name);

// A file in the format of the effect's defaults file: section "Version=1.0",
// one entry per control, colours as NAME.r, NAME.g, NAME.b.
void ApplyParamsFile(fxhost::Effect &effect, const std::string &path);

// The items of a popup in host order (numbered from 1), separators included.
std::vector<std::string> PopupItems(const PF_ParamDef &def);
// The items a user can choose, with their numbers: 1 "Normal", 3 "Extract", ...
std::string DescribeItems(const PF_ParamDef &def);
// The item the host shows as a separator line.
constexpr const char kPopupSeparator[] = "(-";

// Text for the type of a control, as `sallow params` shows it.
const char *TypeName(PF_ParamType type);

// The value controls in the defaults-file format, in host order: the
// section [Version=1.0], then NAME=VALUE, floats with six decimals and
// colours as NAME.r, NAME.g, NAME.b and NAME.a, as the effect writes them.
std::string DefaultsFileText(fxhost::ParamStore &params);
