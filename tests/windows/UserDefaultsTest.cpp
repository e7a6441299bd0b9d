// User defaults through the real private-profile and shell-folder functions:
// the file under the application-data folder is what parameter setup reads.
#include "DefaultsFileFixture.h"

namespace {

class UserDefaults : public DefaultsFileTest {
protected:
    const PF_ParamDef &Def(const std::string &name)
    {
        const int index = effect->params().indexOf(name);
        if (index < 0) throw std::invalid_argument("no control named " + name);
        return effect->params().at(index);
    }
};

TEST_F(UserDefaults, ParamsSetupTakesTheStoredValuesAsDefaults)
{
    Store("Blur Amount", "25.500000");
    Store("Blur Repeat Num", "7");
    Store("Enable 2", "2");
    Store("Enable 1", "256");
    Store("Color 2.r", "300");
    Store("Color 2.g", "20");
    Store("View", "4");
    effect->apply();
    EXPECT_EQ(Def("Blur Amount").u.fs_d.value, 25.5);
    EXPECT_EQ(Def("Blur Amount").u.fs_d.dephault, 25.5f);
    EXPECT_EQ(Def("Blur Repeat Num").u.sd.value, 7);
    EXPECT_EQ(Def("Enable 2").u.bd.value, 2);
    EXPECT_EQ(Def("Enable 1").u.bd.value, 0);
    EXPECT_EQ(Def("Color 2").u.cd.value.red, 44);
    EXPECT_EQ(Def("Color 2").u.cd.value.green, 20);
    EXPECT_EQ(Def("Color 2").u.cd.value.blue, 245);
    EXPECT_EQ(Def("View").u.pd.value, 4);
    EXPECT_EQ(Def("Keep Division").u.bd.value, 1);
}

TEST_F(UserDefaults, AfterEffects12_11IgnoresTheFile)
{
    Store("Blur Amount", "25.500000");
    host.setApiVersion(12, 11);
    effect->apply();
    EXPECT_EQ(Def("Blur Amount").u.fs_d.value, 10.0);
}

}  // namespace
