// The stand-in's modal dialogs: the messages a scripted user causes, what the
// dialog shows, and message boxes.
#include <win32stub_control.h>
#include <windows.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Message> g_messages;
bool g_handleClose = true;

// Ends on any WM_COMMAND with the command's id; WM_CLOSE is handled only
// while g_handleClose is set.
INT_PTR CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_messages.push_back({message, wParam, lParam});
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(window, "Title");
        SetWindowTextA(GetDlgItem(window, 7), "seven");
        EnableWindow(GetDlgItem(window, 8), FALSE);
        return TRUE;
    case WM_COMMAND: EndDialog(window, LOWORD(wParam)); return TRUE;
    case WM_CLOSE:
        if (!g_handleClose) return FALSE;
        EndDialog(window, 99);
        return TRUE;
    default: return FALSE;
    }
}

class StubDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_messages.clear();
        g_handleClose = true;
        const RECT screen = {100, 200, 1100, 900};
        parent = Win32Stub_CreateWindow("main", &screen);
        static const Win32Stub_DialogItem items[] = {{7, "text 7", 10, 10, 20, 20}, {8, "button 8", 10, 40, 20, 20}};
        const Win32Stub_DialogTemplate dialog = {"Caption", 20, 10, 100, 60, items, 2};
        Win32Stub_DefineDialog(instance, 5, &dialog);
    }
    void TearDown() override
    {
        Win32Stub_ForgetDialogs(instance);
        Win32Stub_DestroyWindow(parent);
    }

    INT_PTR Run(std::vector<Win32Stub_DialogAction> actions)
    {
        Win32Stub_ScriptDialog(actions.data(), static_cast<int>(actions.size()));
        return DialogBoxParamA(instance, MAKEINTRESOURCEA(5), parent, RecordingProc, 1234);
    }

    std::vector<UINT> Messages() const
    {
        std::vector<UINT> kinds;
        for (const Message &m : g_messages) kinds.push_back(m.message);
        return kinds;
    }

    HINSTANCE instance = reinterpret_cast<HINSTANCE>(0x7000);
    HWND parent = nullptr;
};

TEST_F(StubDialog, PressSendsTheButtonsCommandThenDestroys)
{
    EXPECT_EQ(Run({{Win32Stub_PressButton, 7}}), 7);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_INITDIALOG, WM_COMMAND, WM_DESTROY}));
    EXPECT_EQ(g_messages[0].lParam, 1234);
    EXPECT_EQ(HIWORD(g_messages[1].wParam), BN_CLICKED);
    EXPECT_NE(g_messages[1].lParam, 0);
    EXPECT_EQ(Win32Stub_LastDialogResult(), 7);
}

TEST_F(StubDialog, RecordsWhatTheUserSaw)
{
    Run({});
    char text[64];
    ASSERT_TRUE(Win32Stub_LastDialogTitle(text, sizeof text));
    EXPECT_STREQ(text, "Title");
    ASSERT_TRUE(Win32Stub_LastDialogControlText(7, text, sizeof text));
    EXPECT_STREQ(text, "seven");
    ASSERT_TRUE(Win32Stub_LastDialogControlText(8, text, sizeof text));
    EXPECT_STREQ(text, "button 8");
    EXPECT_EQ(Win32Stub_LastDialogControlEnabled(7), 1);
    EXPECT_EQ(Win32Stub_LastDialogControlEnabled(8), 0);
    EXPECT_EQ(Win32Stub_LastDialogControlEnabled(9), -1);
    RECT rect;
    ASSERT_TRUE(Win32Stub_LastDialogRect(&rect));
    // Dialog units are 3/2 pixels, from the parent's top-left corner.
    EXPECT_EQ(rect.left, 130);
    EXPECT_EQ(rect.top, 215);
    EXPECT_EQ(rect.right, 280);
    EXPECT_EQ(rect.bottom, 305);
}

TEST_F(StubDialog, DisabledButtonsCannotBePressed)
{
    EXPECT_EQ(Run({{Win32Stub_PressButton, 8}, {Win32Stub_PressButton, 3}, {Win32Stub_PressEscape, 0}}), IDCANCEL);
    EXPECT_EQ(Win32Stub_LastDialogIgnoredPresses(), 2);
}

TEST_F(StubDialog, TheCloseBoxCancelsWhenTheProcedureLeavesItAlone)
{
    EXPECT_EQ(Run({{Win32Stub_CloseBox, 0}}), 99);
    g_messages.clear();
    g_handleClose = false;
    // Unscripted: the user closes the dialog at once.
    EXPECT_EQ(Run({}), IDCANCEL);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_INITDIALOG, WM_CLOSE, WM_COMMAND, WM_DESTROY}));
}

TEST_F(StubDialog, ADialogThatCannotBeCreatedSendsNothing)
{
    Win32Stub_FailNextDialog();
    EXPECT_EQ(Run({{Win32Stub_PressButton, 7}}), -1);
    EXPECT_TRUE(g_messages.empty());
    char text[8];
    EXPECT_FALSE(Win32Stub_LastDialogTitle(text, sizeof text));
    EXPECT_EQ(DialogBoxParamA(instance, MAKEINTRESOURCEA(6), parent, RecordingProc, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(5), parent, RecordingProc, 0), -1);
    // The failure lasts for one dialog only.
    EXPECT_EQ(Run({{Win32Stub_PressButton, 7}}), 7);
}

TEST(StubWindows, MoveAndMeasure)
{
    const RECT start = {0, 0, 10, 10};
    HWND window = Win32Stub_CreateWindow("w", &start);
    EXPECT_TRUE(MoveWindow(window, -5, 7, 30, 40, TRUE));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(rect.left, -5);
    EXPECT_EQ(rect.bottom, 47);
    EXPECT_FALSE(EnableWindow(window, FALSE));
    EXPECT_TRUE(EnableWindow(window, TRUE));
    EXPECT_TRUE(Win32Stub_DestroyWindow(window));
    EXPECT_FALSE(GetWindowRect(window, &rect));
    EXPECT_FALSE(SetWindowTextA(window, "gone"));
    EXPECT_FALSE(EndDialog(window, 0));
}

TEST(StubWindows, MessageBoxesAreRecordedAndAnsweredOk)
{
    const int before = Win32Stub_MessageBoxCount();
    EXPECT_EQ(MessageBoxA(nullptr, "text", nullptr, MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(Win32Stub_MessageBoxCount(), before + 1);
    char text[16], caption[16];
    EXPECT_EQ(Win32Stub_LastMessageBox(text, sizeof text, caption, sizeof caption), MB_ICONERROR);
    EXPECT_STREQ(text, "text");
    EXPECT_STREQ(caption, "Error");
}

}  // namespace
