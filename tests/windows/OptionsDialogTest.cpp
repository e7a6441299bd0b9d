// The options command under Windows: the settings dialog shown from template
// 201 over the host's main window and worked by a scripted user on a thread
// of its own, and what each way of leaving it does to the user's defaults
// file. ctest runs suites named Japanese... on a code page 932 system, the
// others under C.UTF-8 (code page 1252).
#include <cstdlib>
#include <string>
#include <vector>

#include "DefaultsFileFixture.h"
#include "OptionDialogTexts.h"

namespace {

using fxhost::DialogAction;
using namespace option_texts;

constexpr WORD kBannerId = 203;

// A text as the ANSI functions give it on a code page 932 system.
std::string Cp932(const char16_t *text)
{
    const auto *wide = reinterpret_cast<const wchar_t *>(text);
    char bytes[1024] = "";
    WideCharToMultiByte(932, 0, wide, -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
}

class OptionsDialog : public DefaultsFileTest {
protected:
    void SetUp() override
    {
        DefaultsFileTest::SetUp();
        if (!HasFatalFailure()) effect->apply();
    }

    fxhost::DialogRecord Options(const std::vector<DialogAction> &actions)
    {
        host.scriptDialog(actions);
        EXPECT_EQ(effect->send(PF_Cmd_DO_DIALOG).err, PF_Err_NONE);
        return host.lastDialog();
    }

    // The dialog shows its controls enabled, and bitmap 203 as it is.
    void ExpectControlsAndPicture(const fxhost::DialogRecord &dialog)
    {
        EXPECT_EQ(dialog.controls.size(), 5u);
        for (int id : {2000, 2001, 2002, IDOK}) EXPECT_TRUE(dialog.controls.at(id).enabled) << id;
        EXPECT_EQ(dialog.controls.at(IDOK).text, "OK");
        EXPECT_TRUE(Contains(dialog.picture, BitmapPicture(LoadedModule(*module), kBannerId)))
            << "the dialog's picture (" << dialog.picture.width << " x " << dialog.picture.height
            << ") does not show bitmap 203";
    }

    // scripts/screenshot-options-dialog names a folder for the pictures.
    static void KeepPicture(const fxhost::Picture &picture, const char *name)
    {
        const char *folder = std::getenv("SALLOW_DIALOG_PICTURES");
        if (folder != nullptr && folder[0] != '\0') WriteBmp(picture, std::string(folder) + "\\" + name);
    }
};

class JapaneseOptionsDialog : public OptionsDialog {};

TEST_F(OptionsDialog, ShowsTheEnglishTextsWithoutTitle)
{
    ASSERT_NE(GetACP(), 932u) << "run the English cases under LC_ALL=C.UTF-8";
    const fxhost::DialogRecord dialog = Options({});
    ASSERT_TRUE(dialog.shown);
    EXPECT_EQ(dialog.title, "");
    EXPECT_EQ(dialog.controls.at(2000).text, kEnglishSettings);
    EXPECT_EQ(dialog.controls.at(2001).text, kEnglishStore);
    EXPECT_EQ(dialog.controls.at(2002).text, kEnglishRestore);
    ExpectControlsAndPicture(dialog);
    KeepPicture(dialog.picture, "options-dialog-en.bmp");
}

TEST_F(JapaneseOptionsDialog, ShowsTheJapaneseTextsUnderTheEffectsName)
{
    ASSERT_EQ(GetACP(), 932u) << "run the Japanese cases under LC_ALL=ja_JP.UTF-8";
    const fxhost::DialogRecord dialog = Options({});
    ASSERT_TRUE(dialog.shown);
    EXPECT_EQ(dialog.title, "K_Sallowmerine");
    EXPECT_EQ(dialog.controls.at(2000).text, Cp932(kJapaneseSettings));
    EXPECT_EQ(dialog.controls.at(2001).text, Cp932(kJapaneseStore));
    EXPECT_EQ(dialog.controls.at(2002).text, Cp932(kJapaneseRestore));
    ExpectControlsAndPicture(dialog);
    KeepPicture(dialog.picture, "options-dialog-ja.bmp");
}

// ctest runs this suite on a code page 932 system with "-L enus" on the
// command line.
class LanguageSwitch : public OptionsDialog {};

TEST_F(LanguageSwitch, AnythingButJpGivesEnglishWithoutTitleEvenOnAJapaneseSystem)
{
    ASSERT_EQ(GetACP(), 932u) << "run under LC_ALL=ja_JP.UTF-8";
    ASSERT_NE(std::string(GetCommandLineA()).find(" -L enus"), std::string::npos) << "run with the arguments -L enus";
    const fxhost::DialogRecord dialog = Options({});
    EXPECT_EQ(dialog.title, "");
    EXPECT_EQ(dialog.controls.at(2000).text, kEnglishSettings);
    EXPECT_EQ(dialog.controls.at(2001).text, kEnglishStore);
    EXPECT_EQ(dialog.controls.at(2002).text, kEnglishRestore);
}

TEST_F(OptionsDialog, EveryWayOfClosingLeavesTheDiskAlone)
{
    const int messagesBefore = host.lastMessageBox().count;
    struct Way {
        const char *name;
        std::vector<DialogAction> actions;
        bool refused;
    };
    // A store button pressed after the dialog had to be gone would show.
    const DialogAction store = DialogAction::press(2001);
    const std::vector<Way> ways = {{"OK", {DialogAction::press(IDOK), store}, false},
                                   {"Escape", {DialogAction::escape(), store}, false},
                                   {"close box", {DialogAction::closeBox(), store}, false},
                                   {"cannot be created", {store}, true}};
    for (bool withFile : {false, true}) {
        if (withFile) Store("Blur Amount", "3.000000");
        const std::string before = ReadFile();
        for (const Way &way : ways) {
            if (way.refused) host.failNextDialog();
            const fxhost::DialogRecord dialog = Options(way.actions);
            EXPECT_EQ(dialog.shown, !way.refused) << way.name;
            EXPECT_EQ(dialog.ignoredPresses, 0) << way.name;
            if (withFile)
                EXPECT_EQ(ReadFile(), before) << way.name;
            else
                EXPECT_FALSE(Exists(korva)) << way.name;
        }
    }
    EXPECT_EQ(host.lastMessageBox().count, messagesBefore);
}

TEST_F(OptionsDialog, StoreWritesEveryValueAndTheNextSetupTakesThem)
{
    ChangedControls::Apply(*effect);
    ASSERT_FALSE(Exists(korva));
    Options({DialogAction::press(2001)});

    // Storing made the missing folders; every value control has its entries.
    EXPECT_EQ(ReadFile().rfind("[Version=1.0]\r\n", 0), 0u);
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
    Options({DialogAction::press(2001)});
    ASSERT_TRUE(Exists(file));
    Options({DialogAction::press(2002)});
    EXPECT_FALSE(Exists(korva));
    EXPECT_TRUE(IsFolder(appData));

    // A folder that holds something else stays.
    Options({DialogAction::press(2001)});
    const std::string other = korva + "\\other.ini";
    WriteText(other, "x");
    Options({DialogAction::press(2002)});
    EXPECT_FALSE(Exists(tavix));
    EXPECT_TRUE(Exists(other));
    EXPECT_TRUE(DeleteFileA(other.c_str()));
    EXPECT_EQ(host.lastMessageBox().count, messagesBefore);
}

TEST_F(OptionsDialog, FailuresToStoreOrRestoreAreTold)
{
    const int messagesBefore = host.lastMessageBox().count;
    ASSERT_TRUE(CreateDirectoryA(korva.c_str(), nullptr));
    WriteText(tavix, "not a folder");
    Options({DialogAction::press(2001)});
    fxhost::MessageBoxRecord message = host.lastMessageBox();
    EXPECT_EQ(message.count, messagesBefore + 1);
    EXPECT_EQ(message.text, "The default values could not be stored.");
    EXPECT_EQ(message.caption, "K_Sallowmerine");
    EXPECT_EQ(message.type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(ReadText(tavix), "not a folder");

    ASSERT_TRUE(DeleteFileA(tavix.c_str()));
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, file.c_str(), nullptr), ERROR_SUCCESS);
    Options({DialogAction::press(2002)});
    message = host.lastMessageBox();
    EXPECT_EQ(message.count, messagesBefore + 2);
    EXPECT_EQ(message.text, "The stored default values could not be removed.");
    EXPECT_TRUE(IsFolder(file));
    EXPECT_TRUE(RemoveDirectoryA(file.c_str()));
}

TEST_F(OptionsDialog, OldAfterEffectsDisablesTheButtons)
{
    host.setApiVersion(12, 11);
    const fxhost::DialogRecord dialog =
        Options({DialogAction::press(2001), DialogAction::press(2002), DialogAction::press(IDOK)});
    EXPECT_FALSE(dialog.controls.at(2001).enabled);
    EXPECT_FALSE(dialog.controls.at(2002).enabled);
    EXPECT_TRUE(dialog.controls.at(2000).enabled);
    EXPECT_TRUE(dialog.controls.at(IDOK).enabled);
    EXPECT_EQ(dialog.ignoredPresses, 2);
    EXPECT_FALSE(Exists(korva));

    host.setApiVersion(12, 12);
    EXPECT_TRUE(Options({}).controls.at(2001).enabled);
}

TEST_F(OptionsDialog, CentredOnTheHostWindow)
{
    // Integer division truncates towards zero, also left of the main screen.
    for (const RECT parent : {RECT{0, 0, 1280, 1024}, RECT{-1001, 20, 0, 801}}) {
        host.setMainWindowRect(parent);
        const RECT rect = Options({}).rect;
        const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
        EXPECT_GT(width, 235);
        EXPECT_GT(height, 170);
        EXPECT_EQ(rect.left, (parent.left + parent.right - width) / 2) << parent.left;
        EXPECT_EQ(rect.top, (parent.top + parent.bottom - height) / 2) << parent.left;
    }
}

}  // namespace
