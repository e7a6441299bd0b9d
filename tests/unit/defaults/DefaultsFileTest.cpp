// The user defaults: the old-host rule, reading with its cuts, saving and
// restoring.
#include <stdlib.h>

#include <clocale>
#include <filesystem>
#include <string>

#include "BaseFilter.h"
#include "RegistryFixture.h"
#include "TempFolder.h"
#include "defaults/DefaultsFile.h"

namespace {

namespace fs = std::filesystem;

class UserDefaults : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        const char *previous = std::getenv("XDG_CONFIG_HOME");
        savedXdg = previous ? previous : "";
        hadXdg = previous != nullptr;
        setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
        ASSERT_TRUE(DefaultsFile::BuildPath(path));
        DefaultsFile::SelectSection(true);
    }
    void TearDown() override
    {
        if (hadXdg)
            setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        RegistryTest::TearDown();
    }

    std::string IniFile() const { return folder.path() + "/KORVA/Tavix/K_Sallowmerine.ini"; }

    void Store(const std::string &text)
    {
        fs::create_directories(folder.path() + "/KORVA/Tavix");
        TempFolder::WriteText(IniFile(), "[Version=1.0]\n" + text);
    }

    // Saves every control's current host value, as the options dialog does.
    void SaveAll()
    {
        DefaultsFile::CreateFolder(path);
        for (BaseParam *param : ParamRegistry::Instance()) param->SaveDefault(path, store.at(param->index()));
    }

    TempFolder folder;
    char path[MAX_PATH];
    std::string savedXdg;
    bool hadXdg = false;
};

TEST_F(UserDefaults, PathLiesUnderTheApplicationDataFolder)
{
    EXPECT_EQ(std::string(path), folder.path() + "\\KORVA\\Tavix\\K_Sallowmerine.ini");
    EXPECT_STREQ(DefaultsSection, "Version=1.0");
    DefaultsFile::SelectSection(false);
    EXPECT_STREQ(DefaultsSection, "");
}

TEST_F(UserDefaults, StoredValuesBecomeTheDefaults)
{
    Store("Blur Amount=25.500000\nBlur Repeat Num=7\nEnable 3=1\nColor 2.r=10\nColor 2.g=20\nColor 2.b=30\n"
          "Color 2.a=0\nView=4\n");
    ASSERT_EQ(Register(path), PF_Err_NONE);
    EXPECT_EQ(Def("Blur Amount").u.fs_d.value, 25.5);
    EXPECT_EQ(Def("Blur Amount").u.fs_d.dephault, 25.5f);
    EXPECT_EQ(Def("Blur Repeat Num").u.sd.value, 7);
    EXPECT_EQ(Def("Blur Repeat Num").u.sd.dephault, 7);
    EXPECT_EQ(Def("Enable 3").u.bd.value, 1);
    const PF_Pixel colour = Def("Color 2").u.cd.value;
    EXPECT_EQ(colour.red, 10);
    EXPECT_EQ(colour.green, 20);
    EXPECT_EQ(colour.blue, 30);
    EXPECT_EQ(colour.alpha, 255);
    EXPECT_EQ(Def("View").u.pd.value, 4);
    EXPECT_EQ(Def("Color 1").u.cd.value.green, 180);
}

TEST_F(UserDefaults, EntriesAreCutToTheirLowBits)
{
    Store("Enable 2=2\nEnable 3=256\nColor 3.r=300\nColor 1 Range=abc\n");
    ASSERT_EQ(Register(path), PF_Err_NONE);
    EXPECT_NE(Def("Enable 2").u.bd.value, 0);
    EXPECT_EQ(Def("Enable 3").u.bd.value, 0);
    EXPECT_EQ(Def("Color 3").u.cd.value.red, 44);
    EXPECT_EQ(Def("Color 1 Range").u.fs_d.value, 0.0);
    EXPECT_EQ(Def("Color 2 Range").u.fs_d.value, 0.0);
    EXPECT_EQ(Def("1 : Boundary Blur").u.fs_d.value, 10.0);
}

TEST_F(UserDefaults, ValuesTheControlCannotTakeFallBackToTheBuiltInDefault)
{
    // Passing these to the host would make it refuse the control, and the
    // effect could not be applied until the file was deleted by hand.
    Store("View=9\nBlur Repeat Num=0\nBlur Amount=5000\n2 : Boundary Bias=-1\n");
    ASSERT_EQ(Register(path), PF_Err_NONE);
    EXPECT_EQ(Def("View").u.pd.value, 1);
    EXPECT_EQ(Def("Blur Repeat Num").u.sd.value, 5);
    EXPECT_EQ(Def("Blur Amount").u.fs_d.value, 10.0);
    EXPECT_EQ(Def("2 : Boundary Bias").u.fs_d.value, 0.0);
}

TEST_F(UserDefaults, OldAfterEffectsNeverReadsTheFile)
{
    Store("Blur Repeat Num=7\n");
    host.setApiVersion(12, 11);
    RefreshInData();
    ASSERT_EQ(Register(path), PF_Err_NONE);
    EXPECT_EQ(Def("Blur Repeat Num").u.sd.value, 5);
    host.setApiVersion(12, 12);
    RefreshInData();
    ASSERT_EQ(Register(path), PF_Err_NONE);
    EXPECT_EQ(Def("Blur Repeat Num").u.sd.value, 7);
}

TEST_F(UserDefaults, SavedFileReadsBackTheSameValues)
{
    ASSERT_EQ(Register(path), PF_Err_NONE);
    store.at(store.indexOf("Blur Amount")).u.fs_d.value = 12.25;
    store.at(store.indexOf("3 : Color")).u.cd.value = PF_Pixel{255, 9, 8, 7};
    store.at(store.indexOf("View")).u.pd.value = 3;
    SaveAll();
    const std::string text = TempFolder::ReadText(IniFile());
    EXPECT_NE(text.find("Blur Amount=12.250000"), std::string::npos);
    EXPECT_NE(text.find("Keep Division=1"), std::string::npos);
    EXPECT_NE(text.find("3 : Color.a=255"), std::string::npos);
    EXPECT_LT(text.find("View="), text.find("4 : Keep Process="));
    EXPECT_EQ(text.find("Base="), std::string::npos);

    ASSERT_EQ(Register(path), PF_Err_NONE);
    EXPECT_EQ(Def("Blur Amount").u.fs_d.value, 12.25);
    EXPECT_EQ(Def("3 : Color").u.cd.value.blue, 7);
    EXPECT_EQ(Def("View").u.pd.value, 3);
}

TEST_F(UserDefaults, FloatsIgnoreTheDecimalCommaOfTheLocale)
{
    // A file written where the decimal separator is a comma keeps its
    // fraction elsewhere.
    Store("Blur Amount=12,500000\n");
    ASSERT_EQ(Register(path), PF_Err_NONE);
    EXPECT_EQ(Def("Blur Amount").u.fs_d.value, 12.5);
}

TEST_F(UserDefaults, RestoringRemovesOnlyEmptyFolders)
{
    ASSERT_EQ(Register(path), PF_Err_NONE);
    SaveAll();
    TempFolder::WriteText(folder.path() + "/KORVA/other.txt", "kept");
    DefaultsFile::Remove(path);
    EXPECT_FALSE(fs::exists(IniFile()));
    EXPECT_FALSE(fs::exists(folder.path() + "/KORVA/Tavix"));
    EXPECT_TRUE(fs::exists(folder.path() + "/KORVA/other.txt"));

    fs::remove(folder.path() + "/KORVA/other.txt");
    SaveAll();
    DefaultsFile::Remove(path);
    EXPECT_FALSE(fs::exists(folder.path() + "/KORVA"));
    EXPECT_TRUE(fs::exists(folder.path()));
}

}  // namespace

namespace {

class RegisterParams : public RegistryTest {};

TEST_F(RegisterParams, SectionFollowsTheHostVersion)
{
    CustomFilter filter;
    PF_OutData out{};
    host.setApiVersion(12, 11);
    RefreshInData();
    ASSERT_EQ(filter.RegisterParams(inData(), &out, nullptr, nullptr), PF_Err_NONE);
    EXPECT_STREQ(DefaultsSection, "");
    EXPECT_EQ(out.num_params, 58);

    host.setApiVersion(13, 0);
    RefreshInData();
    ASSERT_EQ(filter.RegisterParams(inData(), &out, nullptr, nullptr), PF_Err_NONE);
    EXPECT_STREQ(DefaultsSection, "Version=1.0");

    host.setApiVersion(12, 11);
    host.setApplicationId(fxhost::ApplicationId('P', 'r', 'M', 'r'));
    RefreshInData();
    ASSERT_EQ(filter.RegisterParams(inData(), &out, nullptr, nullptr), PF_Err_NONE);
    EXPECT_STREQ(DefaultsSection, "Version=1.0");
}

TEST_F(RegisterParams, FailureStopsRegistrationButCountsEveryParameter)
{
    CustomFilter filter;
    PF_OutData out{};
    host.failNth(fxhost::Fault::AddParam, 3, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(filter.RegisterParams(inData(), &out, nullptr, nullptr), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(out.num_params, 58);
    EXPECT_EQ(store.count(), 3);
}

}  // namespace
