// The defaults file as the options dialog stores it, for the tests of storing
// through the Windows stand-in and through Windows itself: its entries, and a
// change of a few controls of every kind whose entries and later defaults the
// tests check.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "fxhost/Effect.h"

using DefaultsEntries = std::map<std::string, std::string>;

// The key=value lines of a private-profile file; section lines are skipped.
inline DefaultsEntries ParseDefaults(const std::string &text)
{
    DefaultsEntries entries;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t equals = line.find('=');
        if (line.empty() || line[0] == '[' || equals == std::string::npos) continue;
        entries[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return entries;
}

// One entry per value control (four for a colour), and nothing else.
inline void ExpectEveryControlStored(const fxhost::ParamStore &params, const DefaultsEntries &entries)
{
    size_t expected = 0;
    for (int i = 1; i < params.count(); ++i) {
        const PF_ParamDef &def = params.at(i);
        if (def.param_type == PF_Param_GROUP_START || def.param_type == PF_Param_GROUP_END) continue;
        if (def.param_type == PF_Param_COLOR) {
            for (const char *component : {".r", ".g", ".b", ".a"})
                EXPECT_EQ(entries.count(def.name + std::string(component)), 1u) << def.name << component;
            expected += 4;
        } else {
            EXPECT_EQ(entries.count(def.name), 1u) << def.name;
            ++expected;
        }
    }
    EXPECT_EQ(entries.size(), expected);
}

// A popup, a float slider, a checkbox, a colour and a slider away from their
// built-in defaults.
struct ChangedControls {
    static void Apply(fxhost::Effect &effect)
    {
        effect.setValue("View", 4);
        effect.setValue("Blur Amount", 25.5);
        effect.setValue("Enable 2", 1);
        effect.setColour("Color 3", PF_Pixel{255, 10, 20, 30});
        effect.setValue("3 : Blur Repeat Num", 9);
    }

    static void ExpectStored(const DefaultsEntries &entries)
    {
        EXPECT_EQ(entries.at("View"), "4");
        EXPECT_EQ(entries.at("Blur Amount"), "25.500000");
        EXPECT_EQ(entries.at("Enable 2"), "1");
        EXPECT_EQ(entries.at("Color 3.g"), "20");
        EXPECT_EQ(entries.at("Color 3.a"), "255");
        EXPECT_EQ(entries.at("3 : Blur Repeat Num"), "9");
    }

    // After the host's next parameter setup.
    static void ExpectDefaults(const fxhost::ParamStore &params)
    {
        EXPECT_EQ(params.at(params.indexOf("View")).u.pd.value, 4);
        EXPECT_EQ(params.at(params.indexOf("Blur Amount")).u.fs_d.value, 25.5);
        EXPECT_EQ(params.at(params.indexOf("Blur Amount")).u.fs_d.dephault, 25.5f);
        EXPECT_EQ(params.at(params.indexOf("Enable 2")).u.bd.value, 1);
        EXPECT_EQ(params.at(params.indexOf("Color 3")).u.cd.value.blue, 30);
        EXPECT_EQ(params.at(params.indexOf("3 : Blur Repeat Num")).u.sd.value, 9);
    }
};
