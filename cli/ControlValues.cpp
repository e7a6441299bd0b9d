#include "ControlValues.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trim(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

size_t EditDistance(const std::string &a, const std::string &b)
{
    std::vector<size_t> previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= b.size(); ++j)
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] != b[j - 1])});
        std::swap(previous, current);
    }
    return previous[b.size()];
}

}  // namespace

int FindControl(fxhost::ParamStore &params, const std::string &name)
{
    if (name.empty()) throw UsageError("a control setting needs a name before the \"=\"");
    for (int i = 1; i < params.count(); ++i) {
        const PF_ParamDef &def = params.at(i);
        if (def.param_type == PF_Param_GROUP_END || Lower(def.name) != Lower(name)) continue;
        if (def.param_type == PF_Param_GROUP_START)
            throw UsageError("\"" + std::string(def.name) + "\" is a group of controls, not a control");
        return i;
    }
    std::string best;
    size_t bestDistance = std::string::npos;
    for (int i = 1; i < params.count(); ++i) {
        const PF_ParamDef &def = params.at(i);
        if (def.param_type == PF_Param_GROUP_START || def.param_type == PF_Param_GROUP_END) continue;
        const size_t distance = EditDistance(Lower(name), Lower(def.name));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = def.name;
        }
    }
    throw UsageError("no control named \"" + name + "\"" + (best.empty() ? "" : "; did you mean \"" + best + "\"?"));
}

namespace {

double ParseNumber(const std::string &name, const std::string &text)
{
    const std::string trimmed = Trim(text);
    char *end = nullptr;
    errno = 0;
    const double value = std::strtod(trimmed.c_str(), &end);
    if (trimmed.empty() || *end != '\0' || errno != 0 || value != value)
        throw UsageError("\"" + name + "\" takes a number, not \"" + text + "\"");
    return value;
}

void CheckRange(const std::string &name, double value, double low, double high)
{
    if (value < low || value > high) {
        std::ostringstream message;
        message << "\"" << name << "\" must lie between " << low << " and " << high << ", not " << value;
        throw UsageError(message.str());
    }
}

int ParseByte(const std::string &name, const std::string &text)
{
    // The range comes first: converting a number beyond int is undefined.
    const double value = ParseNumber(name, text);
    CheckRange(name, value, 0, 255);
    if (value != static_cast<int>(value)) throw UsageError("\"" + name + "\" takes whole numbers 0 to 255");
    return static_cast<int>(value);
}

// "@X,Y": the pixel's colour.
PF_Pixel PickedColour(const std::string &name, const std::string &value, const PixelSource &pixels)
{
    const size_t comma = value.find(',');
    char *end = nullptr;
    const std::string xText = Trim(value.substr(1, comma == std::string::npos ? std::string::npos : comma - 1));
    const long x = std::strtol(xText.c_str(), &end, 10);
    const bool xRead = !xText.empty() && *end == '\0';
    const std::string yText = comma == std::string::npos ? "" : Trim(value.substr(comma + 1));
    const long y = std::strtol(yText.c_str(), &end, 10);
    if (!xRead || yText.empty() || *end != '\0')
        throw UsageError("\"" + name + "\" takes @X,Y (a pixel of the input, from 0,0 at the top left), not \"" + value + "\"");
    if (!pixels) throw UsageError("\"" + name + "=" + value + "\" takes a pixel's colour, and this command reads no image");
    return pixels(x, y);
}

PF_Pixel ParseColour(const std::string &name, const std::string &text, const PixelSource &pixels)
{
    const std::string value = Trim(text);
    if (!value.empty() && value[0] == '@') return PickedColour(name, value, pixels);
    auto hex = [&](size_t at) {
        const std::string digits = value.substr(at, 2);
        if (!std::isxdigit(static_cast<unsigned char>(digits[0])) || !std::isxdigit(static_cast<unsigned char>(digits[1])))
            throw UsageError("\"" + name + "\" takes #RRGGBB or r,g,b, not \"" + text + "\"");
        return static_cast<A_u_char>(std::strtol(digits.c_str(), nullptr, 16));
    };
    if (value.size() == 7 && value[0] == '#') return PF_Pixel{255, hex(1), hex(3), hex(5)};
    std::vector<std::string> parts;
    std::stringstream stream(value);
    for (std::string part; std::getline(stream, part, ',');) parts.push_back(part);
    if (parts.size() != 3) throw UsageError("\"" + name + "\" takes #RRGGBB or r,g,b, not \"" + text + "\"");
    return PF_Pixel{255, static_cast<A_u_char>(ParseByte(name, parts[0])), static_cast<A_u_char>(ParseByte(name, parts[1])),
                    static_cast<A_u_char>(ParseByte(name, parts[2]))};
}

int PopupChoice(const PF_ParamDef &def, const std::string &text)
{
    const std::vector<std::string> items = PopupItems(def);
    const std::string wanted = Lower(Trim(text));
    for (size_t i = 0; i < items.size(); ++i)
        if (Lower(items[i]) == wanted && items[i] != kPopupSeparator) return static_cast<int>(i + 1);
    char *end = nullptr;
    const long number = std::strtol(wanted.c_str(), &end, 10);
    if (!wanted.empty() && *end == '\0' && number >= 1 && number <= static_cast<long>(items.size()) &&
        items[static_cast<size_t>(number - 1)] != kPopupSeparator)
        return static_cast<int>(number);
    throw UsageError("\"" + std::string(def.name) + "\" takes one of " + DescribeItems(def) + ", not \"" + text + "\"");
}

bool ParseSwitch(const std::string &name, const std::string &text)
{
    const std::string value = Lower(Trim(text));
    if (value == "on" || value == "true" || value == "yes" || value == "1") return true;
    if (value == "off" || value == "false" || value == "no" || value == "0") return false;
    throw UsageError("\"" + name + "\" is a checkbox: on or off (1 or 0), not \"" + text + "\"");
}

void SetControl(fxhost::Effect &effect, int index, const std::string &text, const PixelSource &pixels = {})
{
    PF_ParamDef &def = effect.params().at(index);
    const std::string name = def.name;
    switch (def.param_type) {
    case PF_Param_FLOAT_SLIDER: {
        const double value = ParseNumber(name, text);
        CheckRange(name, value, def.u.fs_d.valid_min, def.u.fs_d.valid_max);
        def.u.fs_d.value = value;
        break;
    }
    case PF_Param_SLIDER: {
        const double value = ParseNumber(name, text);
        CheckRange(name, value, def.u.sd.valid_min, def.u.sd.valid_max);
        if (value != static_cast<long>(value)) throw UsageError("\"" + name + "\" takes whole numbers");
        def.u.sd.value = static_cast<PF_ParamValue>(value);
        break;
    }
    case PF_Param_CHECKBOX: def.u.bd.value = ParseSwitch(name, text) ? 1 : 0; break;
    case PF_Param_POPUP: def.u.pd.value = PopupChoice(def, text); break;
    case PF_Param_COLOR: def.u.cd.value = ParseColour(name, text, pixels); break;
    default: throw UsageError("\"" + name + "\" takes no value");
    }
}

}  // namespace

std::vector<std::string> PopupItems(const PF_ParamDef &def)
{
    std::vector<std::string> items;
    std::stringstream stream(def.u.pd.u.namesptr ? def.u.pd.u.namesptr : "");
    for (std::string item; std::getline(stream, item, '|');) items.push_back(item);
    return items;
}

std::string DescribeItems(const PF_ParamDef &def)
{
    std::string text;
    const std::vector<std::string> items = PopupItems(def);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == kPopupSeparator) continue;
        text += (text.empty() ? "" : ", ") + std::to_string(i + 1) + " \"" + items[i] + "\"";
    }
    return text;
}

const char *TypeName(PF_ParamType type)
{
    switch (type) {
    case PF_Param_POPUP: return "popup";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_FLOAT_SLIDER: return "float slider";
    case PF_Param_SLIDER: return "slider";
    case PF_Param_COLOR: return "colour";
    case PF_Param_GROUP_START: return "group start";
    case PF_Param_GROUP_END: return "group end";
    default: return "other";
    }
}

void ApplySetting(fxhost::Effect &effect, const std::string &assignment, const PixelSource &pixels)
{
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) throw UsageError("--set takes NAME=VALUE, not \"" + assignment + "\"");
    const std::string name = Trim(assignment.substr(0, equals));
    SetControl(effect, FindControl(effect.params(), name), assignment.substr(equals + 1), pixels);
}

std::string DefaultsFileText(fxhost::ParamStore &params)
{
    std::string text = "[Version=1.0]\n";
    char value[64];
    for (int i = 1; i < params.count(); ++i) {
        const PF_ParamDef &def = params.at(i);
        const std::string name = def.name;
        switch (def.param_type) {
        case PF_Param_FLOAT_SLIDER: std::snprintf(value, sizeof value, "%f", def.u.fs_d.value); break;
        case PF_Param_SLIDER: std::snprintf(value, sizeof value, "%d", static_cast<int>(def.u.sd.value)); break;
        case PF_Param_POPUP: std::snprintf(value, sizeof value, "%d", static_cast<int>(def.u.pd.value)); break;
        case PF_Param_CHECKBOX: std::snprintf(value, sizeof value, "%d", static_cast<int>(def.u.bd.value)); break;
        case PF_Param_COLOR: {
            const PF_Pixel &c = def.u.cd.value;
            text += name + ".r=" + std::to_string(c.red) + "\n" + name + ".g=" + std::to_string(c.green) + "\n" + name +
                    ".b=" + std::to_string(c.blue) + "\n" + name + ".a=" + std::to_string(c.alpha) + "\n";
            continue;
        }
        default: continue;
        }
        text += name + "=" + value + "\n";
    }
    return text;
}

void ApplyParamsFile(fxhost::Effect &effect, const std::string &path)
{
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    bool inSection = false;
    bool sawSection = false;
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            inSection = Lower(Trim(line.substr(1, line.size() - 2))) == "version=1.0";
            sawSection = sawSection || inSection;
            continue;
        }
        if (!inSection) continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = Trim(line.substr(0, equals));
        const std::string value = Trim(line.substr(equals + 1));
        const std::string where = path + ":" + std::to_string(lineNumber) + ": ";
        try {
            const size_t dot = key.size() >= 2 ? key.size() - 2 : std::string::npos;
            if (dot != std::string::npos && key[dot] == '.' && std::string("rgba").find(key[dot + 1]) != std::string::npos) {
                const int index = FindControl(effect.params(), key.substr(0, dot));
                PF_ParamDef &def = effect.params().at(index);
                if (def.param_type != PF_Param_COLOR) throw UsageError("\"" + key + "\" names no colour component");
                const A_u_char component = static_cast<A_u_char>(ParseByte(key, value));
                switch (key[dot + 1]) {
                case 'r': def.u.cd.value.red = component; break;
                case 'g': def.u.cd.value.green = component; break;
                case 'b': def.u.cd.value.blue = component; break;
                default: break;  // alpha stays full, as the effect keeps it
                }
                continue;
            }
            SetControl(effect, FindControl(effect.params(), key), value);
        } catch (const UsageError &e) {
            throw UsageError(where + e.what());
        }
    }
    if (!sawSection) throw UsageError(path + ": no [Version=1.0] section");
}
