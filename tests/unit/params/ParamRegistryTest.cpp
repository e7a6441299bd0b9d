// The control list as the host receives it, and reading it into a snapshot.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "RegistryFixture.h"
#include "params/ParamGetter.h"

namespace {

struct Expected {
    int index;
    A_long id;
    const char *name;
    PF_ParamType type;
};

// Host order is creation order; ids follow the group scheme.
const std::vector<Expected> kList = {
    {1, 1, "View", PF_Param_POPUP},
    {2, 50, "Base", PF_Param_GROUP_START},
    {3, 54, "Blur Amount", PF_Param_FLOAT_SLIDER},
    {4, 55, "Blur Repeat Num", PF_Param_SLIDER},
    {5, 59, "Keep Division", PF_Param_CHECKBOX},
    {6, 61, "Enable 1", PF_Param_CHECKBOX},
    {7, 62, "Color 1", PF_Param_COLOR},
    {8, 63, "Color 1 Range", PF_Param_FLOAT_SLIDER},
    {9, 64, "Enable 2", PF_Param_CHECKBOX},
    {10, 65, "Color 2", PF_Param_COLOR},
    {11, 66, "Color 2 Range", PF_Param_FLOAT_SLIDER},
    {12, 67, "Enable 3", PF_Param_CHECKBOX},
    {13, 68, "Color 3", PF_Param_COLOR},
    {14, 69, "Color 3 Range", PF_Param_FLOAT_SLIDER},
    {15, 70, "Enable 4", PF_Param_CHECKBOX},
    {16, 71, "Color 4", PF_Param_COLOR},
    {17, 72, "Color 4 Range", PF_Param_FLOAT_SLIDER},
    {18, 51, "", PF_Param_GROUP_END},
    {19, 100, "Process 1", PF_Param_GROUP_START},
    {20, 102, "1 : Enable Process", PF_Param_CHECKBOX},
    {21, 112, "1 : Color", PF_Param_COLOR},
    {22, 113, "1 : Color Range", PF_Param_FLOAT_SLIDER},
    {23, 107, "1 : Boundary Blur", PF_Param_FLOAT_SLIDER},
    {24, 105, "1 : Blur Repeat Num", PF_Param_SLIDER},
    {25, 106, "1 : Boundary Bias", PF_Param_FLOAT_SLIDER},
    {26, 109, "1 : Keep Division", PF_Param_CHECKBOX},
    {27, 101, "", PF_Param_GROUP_END},
    {28, 150, "Process 2", PF_Param_GROUP_START},
    {29, 152, "2 : Enable Process", PF_Param_CHECKBOX},
    {30, 162, "2 : Color", PF_Param_COLOR},
    {31, 163, "2 : Color Range", PF_Param_FLOAT_SLIDER},
    {32, 157, "2 : Boundary Blur", PF_Param_FLOAT_SLIDER},
    {33, 155, "2 : Blur Repeat Num", PF_Param_SLIDER},
    {34, 156, "2 : Boundary Bias", PF_Param_FLOAT_SLIDER},
    {35, 159, "2 : Keep Division", PF_Param_CHECKBOX},
    {36, 160, "2 : Keep Process", PF_Param_CHECKBOX},
    {37, 151, "", PF_Param_GROUP_END},
    {38, 200, "Process 3", PF_Param_GROUP_START},
    {39, 202, "3 : Enable Process", PF_Param_CHECKBOX},
    {40, 212, "3 : Color", PF_Param_COLOR},
    {41, 213, "3 : Color Range", PF_Param_FLOAT_SLIDER},
    {42, 207, "3 : Boundary Blur", PF_Param_FLOAT_SLIDER},
    {43, 205, "3 : Blur Repeat Num", PF_Param_SLIDER},
    {44, 206, "3 : Boundary Bias", PF_Param_FLOAT_SLIDER},
    {45, 209, "3 : Keep Division", PF_Param_CHECKBOX},
    {46, 210, "3 : Keep Process", PF_Param_CHECKBOX},
    {47, 201, "", PF_Param_GROUP_END},
    {48, 250, "Process 4", PF_Param_GROUP_START},
    {49, 252, "4 : Enable Process", PF_Param_CHECKBOX},
    {50, 262, "4 : Color", PF_Param_COLOR},
    {51, 263, "4 : Color Range", PF_Param_FLOAT_SLIDER},
    {52, 257, "4 : Boundary Blur", PF_Param_FLOAT_SLIDER},
    {53, 255, "4 : Blur Repeat Num", PF_Param_SLIDER},
    {54, 256, "4 : Boundary Bias", PF_Param_FLOAT_SLIDER},
    {55, 259, "4 : Keep Division", PF_Param_CHECKBOX},
    {56, 260, "4 : Keep Process", PF_Param_CHECKBOX},
    {57, 251, "", PF_Param_GROUP_END},
};

class ParamList : public RegistryTest {};

TEST_F(ParamList, HostReceivesTheControlsInOrder)
{
    ASSERT_EQ(Register(), PF_Err_NONE);
    EXPECT_EQ(ParamRegistry::Instance().ParameterCount(), 58);
    ASSERT_EQ(store.count(), 58);
    for (const Expected &e : kList) {
        const PF_ParamDef &def = store.at(e.index);
        EXPECT_EQ(def.uu.id, e.id) << e.index;
        EXPECT_STREQ(def.name, e.name) << e.index;
        EXPECT_EQ(def.param_type, e.type) << e.index;
        EXPECT_EQ(def.ui_flags, 0) << e.index;
        const bool valueControl = e.type != PF_Param_GROUP_START && e.type != PF_Param_GROUP_END;
        const bool collapsedGroup = e.type == PF_Param_GROUP_START && e.id >= 150;
        EXPECT_EQ(def.flags, valueControl || collapsedGroup ? PF_ParamFlag_START_COLLAPSED : 0) << e.index;
    }
}

TEST_F(ParamList, BuiltInDefaultsAndRanges)
{
    ASSERT_EQ(Register(), PF_Err_NONE);
    const PF_PopupDef &view = Def("View").u.pd;
    EXPECT_EQ(view.value, 1);
    EXPECT_EQ(view.num_choices, 8);
    EXPECT_STREQ(view.u.namesptr, "Normal|(-|Extract|Base|Process 1|Process 2|Process 3|Process 4|");

    const PF_FloatSliderDef &blur = Def("Blur Amount").u.fs_d;
    EXPECT_EQ(blur.value, 10.0);
    EXPECT_EQ(blur.dephault, 10.0f);
    EXPECT_EQ(blur.valid_max, 1000.0f);
    EXPECT_EQ(blur.slider_max, 100.0f);
    EXPECT_EQ(blur.precision, 1);
    EXPECT_EQ(blur.display_flags, 0);
    EXPECT_EQ(blur.curve_tolerance, 0.05f);

    const PF_FloatSliderDef &range = Def("Color 3 Range").u.fs_d;
    EXPECT_EQ(range.value, 0.0);
    EXPECT_EQ(range.valid_max, 100.0f);
    EXPECT_EQ(range.slider_max, 50.0f);
    EXPECT_EQ(range.display_flags, PF_ValueDisplayFlag_PERCENT);

    EXPECT_EQ(Def("2 : Boundary Bias").u.fs_d.slider_max, 10.0f);
    const PF_SliderDef &repeat = Def("4 : Blur Repeat Num").u.sd;
    EXPECT_EQ(repeat.value, 5);
    EXPECT_EQ(repeat.valid_min, 1);
    EXPECT_EQ(repeat.valid_max, 10);

    const PF_ColorDef &colour = Def("3 : Color").u.cd;
    EXPECT_EQ(colour.value.alpha, 255);
    EXPECT_EQ(colour.value.red, 3);
    EXPECT_EQ(colour.value.green, 180);
    EXPECT_EQ(colour.value.blue, 245);

    for (const char *on : {"Enable 1", "1 : Enable Process", "Keep Division", "3 : Keep Division", "2 : Keep Process"})
        EXPECT_EQ(Def(on).u.bd.value, 1) << on;
    for (const char *off : {"Enable 2", "Enable 4", "2 : Enable Process", "4 : Enable Process"})
        EXPECT_EQ(Def(off).u.bd.value, 0) << off;
    EXPECT_STREQ(Def("Enable 1").u.bd.u.nameptr, "");
}

TEST_F(ParamList, FindIndexByIdMapsDiskIdsToHostIndices)
{
    const ParamRegistry &registry = ParamRegistry::Instance();
    for (const Expected &e : kList) EXPECT_EQ(registry.FindIndexById(e.id), e.index) << e.id;
    for (A_long missing : {0, 2, 53, 58, 103, 108, 111, 114, 261, 1000}) EXPECT_EQ(registry.FindIndexById(missing), 0);
}

TEST_F(ParamList, FailedRegistrationStopsAtTheFailingControl)
{
    host.failNth(fxhost::Fault::AddParam, 5, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(Register(), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(store.count(), 5);
}

class Snapshot : public RegistryTest {
protected:
    ParamSnapshot Read()
    {
        EXPECT_EQ(Register(), PF_Err_NONE);
        ParamSnapshot snapshot;
        ParamSnapshot::Initialise(&snapshot);
        GetParamFromArray reader(store.count(), store.array());
        EXPECT_EQ(ParamRegistry::Instance().ReadAll(&snapshot, reader), PF_Err_NONE);
        EXPECT_EQ(ParamRegistry::Instance().CheckInAll(reader), PF_Err_NONE);
        return snapshot;
    }
};

TEST_F(Snapshot, EveryControlAtItsDefault)
{
    const ParamSnapshot s = Read();
    EXPECT_EQ(s.view, 1);
    const ProcessParams &base = s.blocks[0];
    EXPECT_EQ(base.blurAmount, 10.0);
    EXPECT_EQ(base.repeatCount, 5);
    EXPECT_EQ(base.keepDivision, 1);
    EXPECT_EQ(base.enableProcess, 1);
    EXPECT_EQ(base.keys[0].enable, 1);
    EXPECT_EQ(base.keys[0].color.alpha, 255);
    EXPECT_EQ(base.keys[0].color.red, 3);
    EXPECT_EQ(base.keys[0].color.green, 180);
    EXPECT_EQ(base.keys[0].color.blue, 245);
    EXPECT_EQ(base.keys[0].range, 0.0);
    for (int k = 1; k < 4; ++k) EXPECT_EQ(base.keys[k].enable, 0) << k;

    const ProcessParams &first = s.blocks[1];
    EXPECT_EQ(first.enableProcess, 1);
    EXPECT_EQ(first.boundaryBlur, 10.0);
    EXPECT_EQ(first.repeatCount, 5);
    EXPECT_EQ(first.boundaryBias, 0.0);
    EXPECT_EQ(first.keepDivision, 1);
    EXPECT_EQ(first.keys[0].enable, 1);
    EXPECT_EQ(first.keys[1].enable, 1);
    for (int n = 2; n <= 4; ++n) {
        EXPECT_EQ(s.blocks[n].enableProcess, 0) << n;
        EXPECT_EQ(s.blocks[n].keepProcess, 1) << n;
        EXPECT_EQ(s.blocks[n].keys[0].enable, 0) << n;
        EXPECT_EQ(s.blocks[n].keys[0].color.green, 180) << n;
    }
    EXPECT_EQ(s.unusedScale, 1.5);
}

TEST_F(Snapshot, ValuesLandInTheirFields)
{
    ASSERT_EQ(Register(), PF_Err_NONE);
    store.at(store.indexOf("View")).u.pd.value = 7;
    store.at(store.indexOf("3 : Boundary Bias")).u.fs_d.value = 42.5;
    store.at(store.indexOf("Color 4")).u.cd.value = PF_Pixel{255, 1, 2, 3};
    store.at(store.indexOf("Enable 4")).u.bd.value = 1;
    store.at(store.indexOf("4 : Keep Process")).u.bd.value = 0;
    ParamSnapshot s;
    ParamSnapshot::Initialise(&s);
    GetParamFromArray reader(store.count(), store.array());
    ASSERT_EQ(ParamRegistry::Instance().ReadAll(&s, reader), PF_Err_NONE);
    EXPECT_EQ(s.view, 7);
    EXPECT_EQ(s.blocks[3].boundaryBias, 42.5);
    EXPECT_EQ(s.blocks[0].keys[3].color.blue, 3);
    EXPECT_EQ(s.blocks[0].keys[3].enable, 1);
    EXPECT_EQ(s.blocks[4].keepProcess, 0);
}

TEST_F(Snapshot, ValuesOutsideTheirRangesLandAtTheNearerEnd)
{
    // A host may hand out values its own controls would refuse; the render
    // sees them inside the ranges, NaN at the low end.
    ASSERT_EQ(Register(), PF_Err_NONE);
    const auto set = [this](const char *name, double value) {
        PF_ParamDef &def = store.at(store.indexOf(name));
        if (def.param_type == PF_Param_FLOAT_SLIDER)
            def.u.fs_d.value = value;
        else
            def.u.sd.value = static_cast<PF_ParamValue>(value);  // sliders and popups share the field
    };
    set("View", 0);
    set("Blur Amount", 1e12);
    set("Blur Repeat Num", -2147483647.0);
    set("Color 2 Range", std::nan(""));
    set("1 : Boundary Blur", -1);
    set("2 : Blur Repeat Num", 11);
    set("3 : Boundary Bias", std::numeric_limits<double>::infinity());
    ParamSnapshot s;
    ParamSnapshot::Initialise(&s);
    GetParamFromArray reader(store.count(), store.array());
    ASSERT_EQ(ParamRegistry::Instance().ReadAll(&s, reader), PF_Err_NONE);
    EXPECT_EQ(s.view, 1);
    EXPECT_EQ(s.blocks[0].blurAmount, 1000.0);
    EXPECT_EQ(s.blocks[0].repeatCount, 1);
    EXPECT_EQ(s.blocks[0].keys[1].range, 0.0);
    EXPECT_EQ(s.blocks[1].boundaryBlur, 0.0);
    EXPECT_EQ(s.blocks[2].repeatCount, 10);
    EXPECT_EQ(s.blocks[3].boundaryBias, 100.0);
    set("View", 9);
    ASSERT_EQ(ParamRegistry::Instance().ReadAll(&s, reader), PF_Err_NONE);
    EXPECT_EQ(s.view, 8);
}

TEST_F(Snapshot, FailedCheckoutStopsTheReadAndHandsBackOnlyWhatWasTaken)
{
    ASSERT_EQ(Register(), PF_Err_NONE);
    ParamSnapshot s;
    ParamSnapshot::Initialise(&s);
    s.blocks[0].repeatCount = -7;
    GetParamByCheckout reader(store.count(), inData(), nullptr, false);
    host.failNth(fxhost::Fault::CheckoutParam, 3, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(ParamRegistry::Instance().ReadAll(&s, reader), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(s.blocks[0].blurAmount, 10.0);
    EXPECT_EQ(s.blocks[0].repeatCount, -7);
    EXPECT_EQ(host.accounting().paramCheckouts, 2);
    EXPECT_EQ(ParamRegistry::Instance().CheckInAll(reader), PF_Err_NONE);
}

TEST_F(Snapshot, ARefusedCheckInStillHandsBackEveryOtherControl)
{
    ASSERT_EQ(Register(), PF_Err_NONE);
    ParamSnapshot s;
    ParamSnapshot::Initialise(&s);
    GetParamByCheckout reader(store.count(), inData(), nullptr, false);
    ASSERT_EQ(ParamRegistry::Instance().ReadAll(&s, reader), PF_Err_NONE);
    host.calls().failCall(3, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(ParamRegistry::Instance().CheckInAll(reader), PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(host.calls().failed());
    EXPECT_EQ(host.accounting().paramCheckouts, 0);
}

TEST_F(Snapshot, CheckoutReaderIsEnabledWithoutParams)
{
    ASSERT_EQ(Register(), PF_Err_NONE);
    store.at(5).ui_flags = PF_PUI_DISABLED;
    GetParamByCheckout withoutParams(store.count(), inData(), nullptr, true);
    GetParamByCheckout withParams(store.count(), inData(), store.array(), false);
    GetParamFromArray fromArray(store.count(), store.array());
    EXPECT_TRUE(withoutParams.IsEnabled(5));
    EXPECT_TRUE(withoutParams.IsPreRender());
    EXPECT_FALSE(withParams.IsEnabled(5));
    EXPECT_TRUE(withParams.IsEnabled(4));
    EXPECT_FALSE(fromArray.IsEnabled(5));
    EXPECT_FALSE(fromArray.IsPreRender());
}

}  // namespace
