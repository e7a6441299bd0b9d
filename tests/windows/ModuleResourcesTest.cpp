// The module as a host finds it: its only export, its PiPL, the flags global
// setup reports against the PiPL, and the options dialog's template and
// picture.
#include <cstdio>

#include "DialogTemplate.h"
#include "OptionDialogTexts.h"
#include "PiPL.h"
#include "WindowsModule.h"

namespace {

constexpr WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr WORD kPiPLId = 16000;
constexpr WORD kOptionDialogId = 201;
constexpr WORD kBannerId = 203;

pipl::Bytes ExpectedPiPL()
{
    using namespace pipl;
    return Builder()
        .add("kind", Code("eFKT"))
        .add("name", Pascal("K_Sallowmerine"))
        .add("catg", Pascal("KORVA"))
        .add("8664", Text("EntryPointFunc"))
        .add("ePVR", Long(2))
        .add("eSVR", {13, 0, 2, 0})
        .add("eVER", Long(0x00081608))
        .add("eINF", Short(0))
        .add("eGLO", Long(0x06000070))
        .add("eGL2", Long(0x00001419))
        .add("eMNA", Pascal("KORVA SALLOWMERINE"))
        .add("aeFL", Long(0))
        .bytes();
}

// "" when equal, else where and how the bytes first differ.
std::string FirstDifference(const pipl::Bytes &actual, const pipl::Bytes &expected)
{
    char text[80];
    for (size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        if (actual[i] != expected[i]) {
            std::snprintf(text, sizeof text, "byte %zu is 0x%02x, expected 0x%02x", i, actual[i], expected[i]);
            return text;
        }
    }
    if (actual.size() == expected.size()) return "";
    std::snprintf(text, sizeof text, "%zu bytes, expected %zu", actual.size(), expected.size());
    return text;
}

class ModuleResources : public ModuleTest {
protected:
    HMODULE handle() const { return LoadedModule(*module); }
};

TEST_F(ModuleResources, EntryPointFuncIsTheOnlyExport)
{
    const ExportTable exports = Exports(handle());
    EXPECT_EQ(exports.functionCount, 1u);
    EXPECT_EQ(exports.names, std::vector<std::string>{"EntryPointFunc"});
}

TEST_F(ModuleResources, PiPLMatchesItsTableByteForByte)
{
    const pipl::Bytes bytes = ResourceBytes(handle(), "PIPL", kPiPLId, kEnglishUs);
    ASSERT_FALSE(bytes.empty()) << "no PiPL 16000 in language 1033";
    EXPECT_EQ(FirstDifference(bytes, ExpectedPiPL()), "");
}

TEST_F(ModuleResources, GlobalSetupReportsWhatThePiPLDeclares)
{
    auto properties = pipl::Properties(ResourceBytes(handle(), "PIPL", kPiPLId, kEnglishUs));
    ASSERT_EQ(properties.size(), 12u);
    const fxhost::CommandResult result = effect->send(PF_Cmd_GLOBAL_SETUP);
    ASSERT_EQ(result.err, PF_Err_NONE) << result.message();
    EXPECT_EQ(static_cast<uint32_t>(result.out.out_flags), pipl::LongValue(properties["eGLO"]));
    EXPECT_EQ(static_cast<uint32_t>(result.out.out_flags2), pipl::LongValue(properties["eGL2"]));
    EXPECT_EQ(static_cast<uint32_t>(result.out.my_version), pipl::LongValue(properties["eVER"]));
}

// The predefined class of a control, whether the template names it or gives
// its atom.
std::string ClassName(const NameOrOrdinal &windowClass)
{
    if (windowClass.ordinal == 0x80) return "BUTTON";
    if (windowClass.ordinal == 0x82) return "STATIC";
    std::string name;
    for (char16_t c : windowClass.name) name.push_back(static_cast<char>(c >= u'a' && c <= u'z' ? c - 32 : c));
    return name;
}

struct ExpectedItem {
    DWORD id;
    const char *windowClass;
    DWORD kind;       // the low style bits that make the control what it is
    DialogRect rect;
    NameOrOrdinal text;
};

TEST_F(ModuleResources, OptionDialogTemplateHasItsLayoutAndTexts)
{
    const DialogTemplate dialog = ParseDialogTemplate(ResourceBytes(handle(), RT_DIALOG, kOptionDialogId, kEnglishUs));
    EXPECT_EQ(dialog.style, static_cast<DWORD>(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(dialog.rect, (DialogRect{22, 17, 235, 170}));
    EXPECT_EQ(dialog.title, u"Option");
    EXPECT_EQ(dialog.font, u"MS UI Gothic");
    EXPECT_EQ(dialog.pointSize, 9);

    constexpr const char *kButton = "BUTTON", *kStatic = "STATIC";
    const ExpectedItem expected[] = {
        {2000, kButton, BS_GROUPBOX, {6, 6, 222, 76}, {option_texts::kJapaneseSettings}},
        {2001, kButton, BS_PUSHBUTTON, {36, 30, 162, 15}, {option_texts::kJapaneseStore}},
        {2002, kButton, BS_PUSHBUTTON, {36, 50, 162, 15}, {option_texts::kJapaneseRestore}},
        {0xFFFFFFFF, kStatic, SS_BITMAP, {12, 90, 209, 43}, {u"", kBannerId}},
        {IDOK, kButton, BS_DEFPUSHBUTTON, {180, 144, 36, 18}, {u"OK"}},
    };
    ASSERT_EQ(dialog.items.size(), std::size(expected));
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const DialogItem &item = dialog.items[i];
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_EQ(ClassName(item.windowClass), expected[i].windowClass);
        EXPECT_EQ(item.style & 0x1F, expected[i].kind);
        EXPECT_EQ(item.style & (WS_CHILD | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(item.rect, expected[i].rect);
        EXPECT_EQ(item.text.name, expected[i].text.name);
        EXPECT_EQ(item.text.ordinal, expected[i].text.ordinal);
    }
}

TEST_F(ModuleResources, OptionDialogCreatesWithBitmap203AsItsPicture)
{
    HWND dialog = CreateDialogParamW(handle(), MAKEINTRESOURCEW(kOptionDialogId), nullptr,
                                     [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dialog, nullptr) << "error " << GetLastError() << " (windows need an X server: run under xvfb-run)";
    for (int id : {2000, 2001, 2002, IDOK}) EXPECT_NE(GetDlgItem(dialog, id), nullptr) << id;

    HWND picture = FindWindowExA(dialog, nullptr, "Static", nullptr);
    ASSERT_NE(picture, nullptr);
    auto *shown = reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    HBITMAP resource = LoadBitmapA(handle(), MAKEINTRESOURCEA(kBannerId));
    ASSERT_NE(shown, nullptr);
    ASSERT_NE(resource, nullptr);
    BITMAP shownInfo{}, resourceInfo{};
    GetObjectA(shown, sizeof shownInfo, &shownInfo);
    GetObjectA(resource, sizeof resourceInfo, &resourceInfo);
    EXPECT_GT(resourceInfo.bmWidth, 0);
    EXPECT_EQ(shownInfo.bmWidth, resourceInfo.bmWidth);
    EXPECT_EQ(shownInfo.bmHeight, resourceInfo.bmHeight);
    DeleteObject(resource);
    DestroyWindow(dialog);
}

}  // namespace
