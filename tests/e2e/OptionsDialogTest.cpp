// The options command through the emulated host: the settings dialog as the
// user sees it, what each way of leaving it does to the defaults file, and the
// parameter-UI update.
#include <win32stub_control.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AE_EffectSuites.h"
#include "ModuleFixture.h"
#include "OptionDialogTexts.h"
#include "StoredDefaults.h"
#include "TempFolder.h"

namespace {

namespace fs = std::filesystem;
using fxhost::DialogAction;

using namespace option_texts;

// The Japanese settings text in code page 932.
const char kJapaneseSettingsCp932[] =
    "\x90\xdd\x92\xe8\x20\x81\x69\x8e\x9f\x89\xf1\x8b\x4e\x93\xae\x82\xa9\x82\xe7\x97\x4c\x8c\xf8\x82\xc9\x82\xc8"
    "\x82\xe8\x82\xdc\x82\xb7\x81\x6a";

class OptionsDialog : public ModuleTest {
protected:
    void SetUp() override
    {
        Win32Stub_SetAppDataFolder(appData.path().c_str());
        ModuleTest::SetUp();
    }
    void TearDown() override
    {
        ModuleTest::TearDown();
        Win32Stub_SetAppDataFolder(nullptr);
        Win32Stub_SetCommandLine(nullptr);
        Win32Stub_SetCodePage(-1);
    }

    fxhost::CommandResult Options(const std::vector<DialogAction> &actions)
    {
        host.scriptDialog(actions);
        return effect->send(PF_Cmd_DO_DIALOG);
    }

    std::string Tavix() const { return appData.path() + "/KORVA/Tavix"; }
    std::string Ini() const { return Tavix() + "/K_Sallowmerine.ini"; }

    DefaultsEntries Entries() const { return ParseDefaults(TempFolder::ReadText(Ini())); }

    TempFolder appData;
};

TEST_F(OptionsDialog, EveryWayOfClosingLeavesTheDiskAlone)
{
    const int messagesBefore = host.lastMessageBox().count;
    effect->apply();
    struct Way {
        const char *name;
        std::vector<DialogAction> actions;
        bool failCreation;
    };
    // A store button pressed after the dialog had to be gone would show.
    const DialogAction store = DialogAction::press(2001);
    const std::vector<Way> ways = {{"OK", {DialogAction::press(IDOK), store}, false},
                                   {"Escape", {DialogAction::escape(), store}, false},
                                   {"close box", {DialogAction::closeBox(), store}, false},
                                   {"cannot be created", {store}, true}};
    for (bool withFile : {false, true}) {
        if (withFile) {
            fs::create_directories(Tavix());
            TempFolder::WriteText(Ini(), "[Version=1.0]\nBlur Amount=3.000000\n");
        }
        for (const Way &way : ways) {
            if (way.failCreation) host.failNextDialog();
            const fxhost::CommandResult result = Options(way.actions);
            EXPECT_EQ(result.err, PF_Err_NONE) << way.name;
            EXPECT_EQ(host.lastDialog().result, way.failCreation ? -1 : 0) << way.name;
            if (withFile)
                EXPECT_EQ(TempFolder::ReadText(Ini()), "[Version=1.0]\nBlur Amount=3.000000\n") << way.name;
            else
                EXPECT_FALSE(fs::exists(appData.path() + "/KORVA")) << way.name;
        }
    }
    EXPECT_EQ(host.lastMessageBox().count, messagesBefore);
}

TEST_F(OptionsDialog, StoreWritesEveryValueAndTheNextSetupTakesThem)
{
    effect->apply();
    ChangedControls::Apply(*effect);
    ASSERT_FALSE(fs::exists(Tavix()));
    const fxhost::CommandResult result = Options({DialogAction::press(2001)});
    EXPECT_EQ(result.err, PF_Err_NONE);
    EXPECT_EQ(host.lastDialog().result, 1);

    // Storing made the missing folder; every value control has its entries.
    const DefaultsEntries entries = Entries();
    ExpectEveryControlStored(effect->params(), entries);
    ChangedControls::ExpectStored(entries);

    // The host's next start-up.
    LoadModule();
    effect->apply();
    ChangedControls::ExpectDefaults(effect->params());
}

TEST_F(OptionsDialog, RestoreRemovesTheFileAndItsEmptyFolders)
{
    const int messagesBefore = host.lastMessageBox().count;
    effect->apply();
    Options({DialogAction::press(2001)});
    ASSERT_TRUE(fs::exists(Ini()));
    EXPECT_EQ(Options({DialogAction::press(2002)}).err, PF_Err_NONE);
    EXPECT_FALSE(fs::exists(appData.path() + "/KORVA"));
    EXPECT_TRUE(fs::is_directory(appData.path()));

    // A folder that holds something else stays.
    Options({DialogAction::press(2001)});
    TempFolder::WriteText(appData.path() + "/KORVA/other.ini", "x");
    Options({DialogAction::press(2002)});
    EXPECT_FALSE(fs::exists(Tavix()));
    EXPECT_TRUE(fs::exists(appData.path() + "/KORVA/other.ini"));
    EXPECT_EQ(host.lastMessageBox().count, messagesBefore);
}

TEST_F(OptionsDialog, FailuresToStoreOrRestoreAreTold)
{
    const int messagesBefore = host.lastMessageBox().count;
    effect->apply();
    fs::create_directories(appData.path() + "/KORVA");
    TempFolder::WriteText(Tavix(), "not a folder");
    Options({DialogAction::press(2001)});
    fxhost::MessageBoxRecord message = host.lastMessageBox();
    EXPECT_EQ(message.count, messagesBefore + 1);
    EXPECT_EQ(message.text, "The default values could not be stored.");
    EXPECT_EQ(message.caption, "K_Sallowmerine");
    EXPECT_EQ(message.type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(TempFolder::ReadText(Tavix()), "not a folder");

    fs::remove(Tavix());
    fs::create_directories(Ini());
    Options({DialogAction::press(2002)});
    message = host.lastMessageBox();
    EXPECT_EQ(message.count, messagesBefore + 2);
    EXPECT_EQ(message.text, "The stored default values could not be removed.");
    EXPECT_TRUE(fs::is_directory(Ini()));
}

TEST_F(OptionsDialog, OldAfterEffectsDisablesTheButtons)
{
    host.setApiVersion(12, 11);
    effect->apply();
    Options({DialogAction::press(2001), DialogAction::press(2002), DialogAction::press(IDOK)});
    fxhost::DialogRecord dialog = host.lastDialog();
    EXPECT_FALSE(dialog.controls.at(2001).enabled);
    EXPECT_FALSE(dialog.controls.at(2002).enabled);
    EXPECT_TRUE(dialog.controls.at(2000).enabled);
    EXPECT_TRUE(dialog.controls.at(IDOK).enabled);
    EXPECT_EQ(dialog.ignoredPresses, 2);
    EXPECT_EQ(dialog.result, 0);
    EXPECT_FALSE(fs::exists(appData.path() + "/KORVA"));

    host.setApiVersion(12, 12);
    Options({});
    EXPECT_TRUE(host.lastDialog().controls.at(2001).enabled);
    // Only After Effects is held to the old rule.
    host.setApiVersion(12, 11);
    host.setApplicationId(fxhost::ApplicationId('P', 'r', 'M', 'r'));
    Options({});
    EXPECT_TRUE(host.lastDialog().controls.at(2002).enabled);
}

TEST_F(OptionsDialog, LanguageSwitchOtherThanJapaneseGivesEnglishWithoutTitle)
{
    Win32Stub_SetCodePage(932);
    Win32Stub_SetCommandLine("AfterFX.exe -L enus");
    LoadModule();
    effect->apply();
    Options({});
    fxhost::DialogRecord dialog = host.lastDialog();
    EXPECT_EQ(dialog.title, "");
    EXPECT_EQ(dialog.controls.at(2000).text, kEnglishSettings);
    EXPECT_EQ(dialog.controls.at(2001).text, kEnglishStore);
    EXPECT_EQ(dialog.controls.at(2002).text, kEnglishRestore);
    EXPECT_EQ(dialog.controls.at(IDOK).text, "OK");

    Win32Stub_SetCommandLine("AfterFX.exe");
    LoadModule();
    effect->apply();
    Options({});
    dialog = host.lastDialog();
    EXPECT_EQ(dialog.title, "K_Sallowmerine");
    EXPECT_EQ(dialog.controls.at(2000).text, kJapaneseSettingsCp932);

    Win32Stub_SetCodePage(1252);
    Win32Stub_SetCommandLine("AfterFX.exe -L jp");
    LoadModule();
    effect->apply();
    Options({});
    EXPECT_EQ(host.lastDialog().title, "K_Sallowmerine");
}

TEST_F(OptionsDialog, CentredOnTheHostWindow)
{
    // Integer division truncates towards zero, also left of the main screen.
    host.setMainWindowRect(RECT{-1001, 20, 0, 801});
    effect->apply();
    Options({});
    const RECT rect = host.lastDialog().rect;
    const LONG width = 235 * 3 / 2, height = 170 * 3 / 2;
    EXPECT_EQ(rect.left, (-1001 + 0 - width) / 2);
    EXPECT_EQ(rect.left, -676);
    EXPECT_EQ(rect.top, (20 + 801 - height) / 2);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
}

class ParamsUiUpdate : public ModuleTest {};

TEST_F(ParamsUiUpdate, TheHostKeepsTheStatesItIsSent)
{
    effect->apply();
    effect->setValue("3 : Enable Process", 1);
    EXPECT_EQ(effect->send(PF_Cmd_UPDATE_PARAMS_UI).err, PF_Err_NONE);
    const fxhost::ParamStore &params = effect->params();
    EXPECT_EQ(params.uiUpdates().size(), 61u);
    EXPECT_FALSE(params.at(params.indexOf("3 : Color")).ui_flags & PF_PUI_DISABLED);
    EXPECT_TRUE(params.at(params.indexOf("2 : Color")).ui_flags & PF_PUI_DISABLED);
    EXPECT_TRUE(params.at(params.indexOf("Color 4")).ui_flags & PF_PUI_DISABLED);
}

TEST_F(ParamsUiUpdate, AMissingSuiteEndsTheCommandWithItsCode)
{
    effect->apply();
    host.setApiVersion(13, 1);
    host.refuseSuite(kPFParamUtilsSuite, 2);
    const fxhost::CommandResult result = effect->send(PF_Cmd_UPDATE_PARAMS_UI);
    EXPECT_EQ(result.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(result.message(), "error code = 516\nPF_Err_BAD_CALLBACK_PARAM");
    EXPECT_TRUE(effect->params().uiUpdates().empty());
}

}  // namespace
