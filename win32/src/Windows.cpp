// Windows, modal dialogs and message boxes. There is no screen: a window is a
// record of its text, enabled state and position, and a modal dialog plays
// the user's scripted actions to its dialog procedure as the messages Windows
// would send for them.
#include <win32stub_control.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

enum class Kind { TopLevel, Dialog, Control };

struct Window {
    Kind kind = Kind::TopLevel;
    std::string text;
    RECT rect{};  // screen coordinates, except a control's: from its dialog's top-left
    bool enabled = true;
    HWND parent = nullptr;  // a dialog's owner, a control's dialog
    int id = -1;            // a control's id
    std::vector<HWND> controls;  // a dialog's controls, in template order
    bool ended = false;          // EndDialog was called
    INT_PTR result = 0;
};

struct DialogItem {
    int id;
    std::string text;
    int x, y, cx, cy;
};

struct DialogTemplate {
    std::string caption;
    int x, y, cx, cy;
    std::vector<DialogItem> items;
};

struct ControlView {
    int id;
    std::string text;
    bool enabled;
};

// What the user saw of the last modal dialog.
struct DialogView {
    bool shown = false;
    std::string title;
    RECT rect{};
    std::vector<ControlView> controls;
    INT_PTR result = -1;
    int ignoredPresses = 0;
};

struct MessageBoxView {
    std::string text;
    std::string caption;
    int type = -1;
};

std::mutex g_mutex;
std::map<HWND, Window> g_windows;
uintptr_t g_nextHandle = 0x1000;
std::map<std::pair<HINSTANCE, int>, DialogTemplate> g_templates;
std::vector<Win32Stub_DialogAction> g_script;
bool g_failNextDialog = false;
int g_dialogCount = 0;
DialogView g_lastDialog;
int g_messageBoxCount = 0;
MessageBoxView g_lastMessageBox;

// Dialog units to pixels, as MapDialogRect does for a font with base units
// of 6 by 12 pixels.
LONG Pixels(int dialogUnits) { return static_cast<LONG>(dialogUnits * 3 / 2); }

// Callers hold g_mutex.
Window *Find(HWND handle)
{
    auto found = g_windows.find(handle);
    return found == g_windows.end() ? nullptr : &found->second;
}

HWND NewWindow(Window window)
{
    HWND handle = reinterpret_cast<HWND>(g_nextHandle);
    g_nextHandle += 0x10;
    g_windows.emplace(handle, std::move(window));
    return handle;
}

RECT ScreenRect(const Window &window)
{
    RECT rect = window.rect;
    if (window.kind != Kind::Control) return rect;
    const RECT &dialog = Find(window.parent)->rect;
    return {rect.left + dialog.left, rect.top + dialog.top, rect.right + dialog.left, rect.bottom + dialog.top};
}

void CopyText(const std::string &text, char *buffer, int size)
{
    if (buffer == nullptr || size <= 0) return;
    const size_t count = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
}

const DialogTemplate *FindTemplate(HINSTANCE instance, LPCSTR name)
{
    if (!IS_INTRESOURCE(name)) return nullptr;
    auto found = g_templates.find({instance, static_cast<int>(LOWORD(name))});
    return found == g_templates.end() ? nullptr : &found->second;
}

HWND CreateDialogWindows(const DialogTemplate &dialogTemplate, HWND parent)
{
    Window dialog;
    dialog.kind = Kind::Dialog;
    dialog.parent = parent;
    dialog.text = dialogTemplate.caption;
    LONG left = Pixels(dialogTemplate.x), top = Pixels(dialogTemplate.y);
    if (const Window *owner = parent ? Find(parent) : nullptr) {
        left += owner->rect.left;
        top += owner->rect.top;
    }
    dialog.rect = {left, top, left + Pixels(dialogTemplate.cx), top + Pixels(dialogTemplate.cy)};
    const HWND handle = NewWindow(std::move(dialog));
    for (const DialogItem &item : dialogTemplate.items) {
        Window control;
        control.kind = Kind::Control;
        control.text = item.text;
        control.parent = handle;
        control.id = item.id;
        control.rect = {Pixels(item.x), Pixels(item.y), Pixels(item.x + item.cx), Pixels(item.y + item.cy)};
        const HWND controlHandle = NewWindow(std::move(control));
        Find(handle)->controls.push_back(controlHandle);
    }
    return handle;
}

void DestroyWithControls(HWND handle)
{
    if (Window *window = Find(handle))
        for (HWND control : window->controls) g_windows.erase(control);
    g_windows.erase(handle);
}

HWND ControlOf(const Window &dialog, int id)
{
    for (HWND control : dialog.controls)
        if (Find(control)->id == id) return control;
    return nullptr;
}

DialogView Snapshot(HWND handle)
{
    DialogView view;
    const Window *dialog = Find(handle);
    view.shown = true;
    view.title = dialog->text;
    view.rect = ScreenRect(*dialog);
    for (HWND control : dialog->controls) {
        const Window &window = *Find(control);
        view.controls.push_back({window.id, window.text, window.enabled});
    }
    return view;
}

bool Ended(HWND dialog)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const Window *window = Find(dialog);
    return window == nullptr || window->ended;
}

// A message the dialog procedure leaves unhandled gets the default dialog
// handling: closing the window means cancelling.
void Send(DLGPROC procedure, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (procedure(dialog, message, wParam, lParam) == FALSE && message == WM_CLOSE)
        procedure(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

// Plays one scripted action; false when it could not happen (a press on a
// disabled or missing control).
bool Perform(DLGPROC procedure, HWND dialog, const Win32Stub_DialogAction &action)
{
    int id = action.control;
    switch (action.kind) {
    case Win32Stub_CloseBox: Send(procedure, dialog, WM_CLOSE, 0, 0); return true;
    case Win32Stub_PressEscape: id = IDCANCEL; break;
    case Win32Stub_PressButton: break;
    default: return false;
    }
    HWND control;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        control = ControlOf(*Find(dialog), id);
        const bool enabled = control != nullptr && Find(control)->enabled;
        // Escape cancels whether or not the dialog has a Cancel button, unless that button is disabled.
        const bool escapeWithoutButton = action.kind == Win32Stub_PressEscape && control == nullptr;
        if (!enabled && !escapeWithoutButton) return false;
    }
    Send(procedure, dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    return true;
}

}  // namespace

extern "C" HWND Win32Stub_CreateWindow(const char *text, const RECT *rect)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Window window;
    window.text = text ? text : "";
    if (rect) window.rect = *rect;
    return NewWindow(std::move(window));
}

extern "C" BOOL Win32Stub_DestroyWindow(HWND window)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (Find(window) == nullptr) return FALSE;
    DestroyWithControls(window);
    return TRUE;
}

extern "C" void Win32Stub_DefineDialog(HINSTANCE instance, int templateId, const Win32Stub_DialogTemplate *dialog)
{
    if (dialog == nullptr) return;
    DialogTemplate copy{dialog->caption ? dialog->caption : "", dialog->x, dialog->y, dialog->cx, dialog->cy, {}};
    for (int i = 0; i < dialog->itemCount; ++i) {
        const Win32Stub_DialogItem &item = dialog->items[i];
        copy.items.push_back({item.id, item.text ? item.text : "", item.x, item.y, item.cx, item.cy});
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_templates[{instance, templateId}] = std::move(copy);
}

extern "C" void Win32Stub_ForgetDialogs(HINSTANCE instance)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto it = g_templates.begin(); it != g_templates.end();)
        it = it->first.first == instance ? g_templates.erase(it) : std::next(it);
}

extern "C" void Win32Stub_ScriptDialog(const Win32Stub_DialogAction *actions, int count)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_script.assign(actions, actions + (actions ? count : 0));
}

extern "C" void Win32Stub_FailNextDialog(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_failNextDialog = true;
}

extern "C" INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC procedure,
                                          LPARAM initParam)
{
    std::vector<Win32Stub_DialogAction> script;
    HWND dialog;
    WPARAM firstControl = 0;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        script = std::exchange(g_script, {});
        const bool fail = std::exchange(g_failNextDialog, false);
        ++g_dialogCount;
        g_lastDialog = DialogView{};
        const DialogTemplate *dialogTemplate = FindTemplate(instance, templateName);
        if (fail || procedure == nullptr || dialogTemplate == nullptr) return -1;
        dialog = CreateDialogWindows(*dialogTemplate, parent);
        const Window &window = *Find(dialog);
        if (!window.controls.empty()) firstControl = reinterpret_cast<WPARAM>(window.controls.front());
    }
    Send(procedure, dialog, WM_INITDIALOG, firstControl, initParam);
    int ignored = 0;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_lastDialog = Snapshot(dialog);
    }
    for (const Win32Stub_DialogAction &action : script) {
        if (Ended(dialog)) break;
        if (!Perform(procedure, dialog, action)) ++ignored;
    }
    if (!Ended(dialog)) Send(procedure, dialog, WM_CLOSE, 0, 0);
    const bool ended = Ended(dialog);
    if (!ended) std::fprintf(stderr, "win32stub: the dialog stayed open after its script and its close box\n");
    Send(procedure, dialog, WM_DESTROY, 0, 0);

    std::lock_guard<std::mutex> lock(g_mutex);
    const INT_PTR result = ended ? Find(dialog)->result : -1;
    DestroyWithControls(dialog);
    g_lastDialog.result = result;
    g_lastDialog.ignoredPresses = ignored;
    return result;
}

extern "C" BOOL WINAPI EndDialog(HWND dialog, INT_PTR result)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *window = Find(dialog);
    if (window == nullptr || window->kind != Kind::Dialog) return FALSE;
    window->ended = true;
    window->result = result;
    return TRUE;
}

extern "C" HWND WINAPI GetDlgItem(HWND dialog, int id)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const Window *window = Find(dialog);
    return window ? ControlOf(*window, id) : nullptr;
}

extern "C" BOOL WINAPI SetWindowTextA(HWND handle, LPCSTR text)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *window = Find(handle);
    if (window == nullptr) return FALSE;
    window->text = text ? text : "";
    return TRUE;
}

extern "C" BOOL WINAPI EnableWindow(HWND handle, BOOL enable)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *window = Find(handle);
    if (window == nullptr) return FALSE;
    const bool wasDisabled = !window->enabled;
    window->enabled = enable != FALSE;
    return wasDisabled;
}

extern "C" BOOL WINAPI GetWindowRect(HWND handle, LPRECT rect)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const Window *window = Find(handle);
    if (window == nullptr || rect == nullptr) return FALSE;
    *rect = ScreenRect(*window);
    return TRUE;
}

extern "C" BOOL WINAPI MoveWindow(HWND handle, int x, int y, int width, int height, BOOL)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *window = Find(handle);
    if (window == nullptr) return FALSE;
    window->rect = {x, y, x + width, y + height};
    return TRUE;
}

extern "C" int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    ++g_messageBoxCount;
    // Windows titles a message box without a caption "Error".
    g_lastMessageBox = {text ? text : "", caption ? caption : "Error", static_cast<int>(type)};
    return IDOK;
}

extern "C" int Win32Stub_DialogCount(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_dialogCount;
}

extern "C" INT_PTR Win32Stub_LastDialogResult(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_lastDialog.result;
}

extern "C" BOOL Win32Stub_LastDialogTitle(char *buffer, int size)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_lastDialog.shown) return FALSE;
    CopyText(g_lastDialog.title, buffer, size);
    return TRUE;
}

extern "C" BOOL Win32Stub_LastDialogRect(RECT *rect)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_lastDialog.shown || rect == nullptr) return FALSE;
    *rect = g_lastDialog.rect;
    return TRUE;
}

extern "C" int Win32Stub_LastDialogControls(int *ids, int capacity)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const int count = static_cast<int>(g_lastDialog.controls.size());
    for (int i = 0; i < count && i < capacity && ids != nullptr; ++i) ids[i] = g_lastDialog.controls[i].id;
    return count;
}

namespace {

const ControlView *LastDialogControl(int id)
{
    for (const ControlView &control : g_lastDialog.controls)
        if (control.id == id) return &control;
    return nullptr;
}

}  // namespace

extern "C" BOOL Win32Stub_LastDialogControlText(int control, char *buffer, int size)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const ControlView *view = LastDialogControl(control);
    if (view == nullptr) return FALSE;
    CopyText(view->text, buffer, size);
    return TRUE;
}

extern "C" int Win32Stub_LastDialogControlEnabled(int control)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const ControlView *view = LastDialogControl(control);
    return view == nullptr ? -1 : view->enabled ? 1 : 0;
}

extern "C" int Win32Stub_LastDialogIgnoredPresses(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_lastDialog.ignoredPresses;
}

extern "C" int Win32Stub_MessageBoxCount(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_messageBoxCount;
}

extern "C" int Win32Stub_LastMessageBox(char *text, int textSize, char *caption, int captionSize)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_messageBoxCount == 0) return -1;
    CopyText(g_lastMessageBox.text, text, textSize);
    CopyText(g_lastMessageBox.caption, caption, captionSize);
    return g_lastMessageBox.type;
}
