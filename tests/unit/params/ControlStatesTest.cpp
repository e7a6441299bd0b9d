// Control enabling: which controls the parameter-UI update greys out, how it
// reaches the host, and what it never touches.
#include <set>
#include <string>
#include <vector>

#include "AE_EffectSuites.h"
#include "RegistryFixture.h"
#include "params/ControlStates.h"

namespace {

class ControlStates : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        ASSERT_EQ(Register(), PF_Err_NONE);
    }

    void Switch(const char *name, bool on) { store.at(store.indexOf(name)).u.bd.value = on ? 1 : 0; }

    void Update()
    {
        store.clearUiUpdates();
        EXPECT_EQ(UpdateControlStates(inData(), store.array()), PF_Err_NONE);
    }

    bool Enabled(const std::string &name) { return (Def(name.c_str()).ui_flags & PF_PUI_DISABLED) == 0; }

    // Every control whose name holds `part`, group starts and ends excepted.
    std::vector<std::string> Named(const std::string &part)
    {
        std::vector<std::string> names;
        for (int i = 1; i < store.count(); ++i) {
            const PF_ParamDef &def = store.at(i);
            if (def.param_type == PF_Param_GROUP_START || def.param_type == PF_Param_GROUP_END) continue;
            if (std::string(def.name).find(part) != std::string::npos) names.push_back(def.name);
        }
        return names;
    }
};

TEST_F(ControlStates, AllDefaults)
{
    Update();
    for (const char *name : {"View", "Blur Amount", "Blur Repeat Num", "Keep Division", "Enable 1", "Enable 2",
                             "Enable 3", "Enable 4", "Color 1", "Color 1 Range"})
        EXPECT_TRUE(Enabled(name)) << name;
    for (const char *name : {"Color 2", "Color 3", "Color 4", "Color 2 Range", "Color 3 Range", "Color 4 Range"})
        EXPECT_FALSE(Enabled(name)) << name;
    for (const std::string &name : Named("1 : ")) EXPECT_TRUE(Enabled(name)) << name;
    for (const char *group : {"2 : ", "3 : ", "4 : "})
        for (const std::string &name : Named(group))
            EXPECT_EQ(Enabled(name), name.find("Enable Process") != std::string::npos) << name;
}

TEST_F(ControlStates, KeepProcessNeedsALowerProcess)
{
    Switch("1 : Enable Process", false);
    Switch("3 : Enable Process", true);
    Update();
    for (const std::string &name : Named("3 : "))
        EXPECT_EQ(Enabled(name), name != "3 : Keep Process") << name;

    Switch("1 : Enable Process", true);
    Update();
    EXPECT_TRUE(Enabled("3 : Keep Process"));
    EXPECT_TRUE(Enabled("3 : Color"));

    // Process 2 looks at Process 1 only.
    Switch("1 : Enable Process", false);
    Switch("2 : Enable Process", true);
    Switch("4 : Enable Process", true);
    Update();
    EXPECT_FALSE(Enabled("2 : Keep Process"));
    EXPECT_TRUE(Enabled("3 : Keep Process"));
    EXPECT_TRUE(Enabled("4 : Keep Process"));
    Switch("1 : Enable Process", true);
    Update();
    EXPECT_TRUE(Enabled("2 : Keep Process"));
}

TEST_F(ControlStates, KeyColoursFollowTheirEnableBoxAndBackAgain)
{
    Switch("Enable 1", false);
    Switch("Enable 3", true);
    Update();
    EXPECT_FALSE(Enabled("Color 1"));
    EXPECT_FALSE(Enabled("Color 1 Range"));
    EXPECT_TRUE(Enabled("Color 3"));
    EXPECT_TRUE(Enabled("Color 3 Range"));
    EXPECT_TRUE(Enabled("Blur Amount"));

    Switch("Enable 1", true);
    Update();
    EXPECT_TRUE(Enabled("Color 1"));
}

TEST_F(ControlStates, EveryListedControlIsSentEveryTimeAndNothingElse)
{
    const PF_ParamDef viewBefore = Def("View");
    Update();
    Update();
    const std::vector<fxhost::ParamStore::UiUpdate> updates = store.uiUpdates();
    // 42 group members, 3 Keep Process, 16 key colours and ranges.
    EXPECT_EQ(updates.size(), 61u);
    std::set<PF_ParamIndex> sent;
    for (const fxhost::ParamStore::UiUpdate &update : updates) {
        EXPECT_NE(update.index, 0);
        sent.insert(update.index);
        const PF_ParamDef &def = store.at(update.index);
        EXPECT_NE(def.param_type, PF_Param_GROUP_START);
        EXPECT_NE(def.param_type, PF_Param_GROUP_END);
        EXPECT_EQ(std::string(def.name).find("Enable Process"), std::string::npos) << def.name;
    }
    EXPECT_EQ(sent.size(), 57u - 1 - 10 - 4);  // not View, the groups' ends and starts, the Enable Process boxes
    // Only the disabled bit changes; the value and other flags stay.
    EXPECT_EQ(Def("View").ui_flags, viewBefore.ui_flags);
    EXPECT_EQ(Def("Color 2").u.cd.value.blue, 245);
    EXPECT_EQ(Def("Color 2").flags, PF_ParamFlag_START_COLLAPSED);
}

TEST_F(ControlStates, ARefusedUpdateDoesNotStopTheWalk)
{
    host.failNth(fxhost::Fault::UpdateParamUI, 1, PF_Err_INVALID_INDEX);
    Update();
    EXPECT_EQ(store.uiUpdates().size(), 60u);
    EXPECT_FALSE(Enabled("4 : Keep Process"));
    EXPECT_FALSE(Enabled("Color 4 Range"));
}

TEST_F(ControlStates, SuiteVersionFollowsTheHostVersion)
{
    struct Case {
        A_short major, minor;
        A_long suiteVersion;
    };
    const Case cases[] = {{11, 0, 2},  {12, 0, 2},  {12, 10, 2}, {12, 11, 2}, {12, 14, 2}, {12, 15, 3},
                          {13, 0, 2},  {13, 1, 2},  {13, 2, 3},  {13, 28, 3}, {14, 0, 3}};
    for (const Case &c : cases) {
        host.setApiVersion(c.major, c.minor);
        RefreshInData();
        const long before = host.acquisitions(kPFParamUtilsSuite, c.suiteVersion);
        Update();
        EXPECT_EQ(host.acquisitions(kPFParamUtilsSuite, c.suiteVersion), before + 1) << c.major << "." << c.minor;
        EXPECT_EQ(UsesParamUtilsVersion2({c.major, c.minor}), c.suiteVersion == 2) << c.major << "." << c.minor;
    }
    EXPECT_EQ(host.acquisitions(kPFParamUtilsSuite, 2), host.releases(kPFParamUtilsSuite, 2));
    EXPECT_EQ(host.acquisitions(kPFParamUtilsSuite, 3), host.releases(kPFParamUtilsSuite, 3));
}

TEST_F(ControlStates, AMissingSuiteThrowsTheBareCodeAndChangesNothing)
{
    host.refuseSuite(kPFParamUtilsSuite, 3);
    store.clearUiUpdates();
    try {
        UpdateControlStates(inData(), store.array());
        FAIL() << "no exception";
    } catch (PF_Err code) {
        EXPECT_EQ(code, PF_Err_BAD_CALLBACK_PARAM);
    }
    EXPECT_TRUE(store.uiUpdates().empty());
    EXPECT_TRUE(Enabled("2 : Color"));
}

}  // namespace
