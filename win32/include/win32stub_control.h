// Controls of the Windows stand-in that only an emulated host uses: the state
// a real Windows session would provide (keyboard, command line, code page).
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Sets whether virtual key vk reads as down in GetKeyState. All keys start up.
void Win32Stub_SetKeyDown(int vk, int down);

// Replaces the text GetCommandLineA returns; a null pointer goes back to this
// process's real command line.
void Win32Stub_SetCommandLine(const char *commandLine);

// Forces the code page _getmbcp reports; a negative value goes back to the
// code page of the current locale.
void Win32Stub_SetCodePage(int codePage);

// The application-data folder SHGetSpecialFolderPathA reports for
// CSIDL_APPDATA: a folder path, "" for a user without one (the query fails),
// or a null pointer to go back to $XDG_CONFIG_HOME, else $HOME/.config.
void Win32Stub_SetAppDataFolder(const char *folder);

// ---- windows and dialogs

// A top-level window, such as a host's main window, at `rect` in screen
// coordinates.
HWND Win32Stub_CreateWindow(const char *text, const RECT *rect);
BOOL Win32Stub_DestroyWindow(HWND window);

// A control of a dialog template; positions and sizes are dialog units,
// which the stand-in maps to pixels at 3/2 in both directions.
typedef struct Win32Stub_DialogItem {
    int id;  // -1 for controls the dialog never addresses
    const char *text;
    int x, y, cx, cy;
} Win32Stub_DialogItem;

// A dialog template as a module's resources hold it; the dialog opens at
// (x, y) from its parent's top-left corner.
typedef struct Win32Stub_DialogTemplate {
    const char *caption;
    int x, y, cx, cy;
    const Win32Stub_DialogItem *items;
    int itemCount;
} Win32Stub_DialogTemplate;

// Makes a template resource of `instance` (copied); a shared object carries
// no Windows resources, so its loader hands them over here.
void Win32Stub_DefineDialog(HINSTANCE instance, int templateId, const Win32Stub_DialogTemplate *dialog);
// Forgets every template of `instance` (the module was unloaded).
void Win32Stub_ForgetDialogs(HINSTANCE instance);

enum Win32Stub_DialogActionKind {
    Win32Stub_PressButton = 1,  // a click on the control `control`; ignored while it is disabled
    Win32Stub_PressEscape = 2,  // the Escape key: WM_COMMAND with IDCANCEL
    Win32Stub_CloseBox = 3      // the window's close box: WM_CLOSE
};
typedef struct Win32Stub_DialogAction {
    int kind;
    int control;
} Win32Stub_DialogAction;

// What the user does in the next modal dialog, in order (copied). Once the
// actions run out, a dialog still open is closed with its close box. An
// unscripted dialog is closed with its close box at once.
void Win32Stub_ScriptDialog(const Win32Stub_DialogAction *actions, int count);
// The next modal dialog cannot be created: DialogBoxParamA answers -1 and
// sends no message.
void Win32Stub_FailNextDialog(void);

// What the last modal dialog showed once WM_INITDIALOG had been handled.
// Modal dialogs opened so far in this process.
int Win32Stub_DialogCount(void);
// The dialog's result; -1 when it could not be created.
INT_PTR Win32Stub_LastDialogResult(void);
// Copies the title; FALSE when no dialog was shown.
BOOL Win32Stub_LastDialogTitle(char *buffer, int size);
BOOL Win32Stub_LastDialogRect(RECT *rect);
// The ids of the dialog's controls in template order; returns how many there
// are (it fills at most `capacity`).
int Win32Stub_LastDialogControls(int *ids, int capacity);
// A control's text; FALSE when the dialog had no such control.
BOOL Win32Stub_LastDialogControlText(int control, char *buffer, int size);
// 1 enabled, 0 disabled, -1 when the dialog had no such control.
int Win32Stub_LastDialogControlEnabled(int control);
// Scripted presses that hit a disabled or missing control.
int Win32Stub_LastDialogIgnoredPresses(void);

// Message boxes shown so far in this process; each answers IDOK at once.
int Win32Stub_MessageBoxCount(void);
// The last message box: copies its text and caption, returns its type flags
// (-1 when none was shown).
int Win32Stub_LastMessageBox(char *text, int textSize, char *caption, int captionSize);

#ifdef __cplusplus
}
#endif
