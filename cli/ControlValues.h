// Control values given on the command line or in a defaults-format file.
#pragma once

#include <string>
#include <vector>

#include "Errors.h"
#include "fxhost/Effect.h"

// "NAME=VALUE": numbers for sliders, on/off for checkboxes, an item name or
// number for popups, "#RRGGBB" or "r,g,b" for colours.
void ApplySetting(fxhost::Effect &effect, const std::string &assignment);

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
