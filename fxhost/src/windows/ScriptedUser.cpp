#include "ScriptedUser.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include "WindowPicture.h"

namespace fxhost::platform {

namespace {

std::string TextOf(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The module of the effect the active host has loaded: its dialogs are the
// ones the user has a script for.
HMODULE EffectModule()
{
    const Host *host = Host::current();
    return host != nullptr && !host->modulePath().empty() ? GetModuleHandleA(host->modulePath().c_str()) : nullptr;
}

bool IsDialogClass(LPCSTR name)
{
    if (IS_INTRESOURCE(name)) return reinterpret_cast<ULONG_PTR>(name) == 0x8002;
    return lstrcmpiA(name, "#32770") == 0;
}

bool IsEffectDialog(const CREATESTRUCTA &window)
{
    return IsDialogClass(window.lpszClass) && window.hInstance != nullptr && window.hInstance == EffectModule();
}

// Message boxes: dialogs that do not come from the effect's module.
bool IsMessageBox(HWND window)
{
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    return IsDialogClass(name) &&
           reinterpret_cast<HMODULE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) != EffectModule();
}

// What a click of the left mouse button in the middle of `control` sends it.
void Click(HWND control)
{
    RECT client;
    GetClientRect(control, &client);
    const LPARAM point = MAKELPARAM(client.right / 2, client.bottom / 2);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(control, WM_LBUTTONUP, 0, point);
}

// A click on a button of `dialog`; false when the pointer cannot reach one:
// a hidden or disabled window gets no mouse input.
bool PressButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button)) return false;
    Click(button);
    return true;
}

// The Escape key, which goes to the window with the keyboard focus.
void PressEscape(HWND dialog)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus != nullptr &&
        IsChild(dialog, info.hwndFocus))
        target = info.hwndFocus;
    const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyA(VK_ESCAPE, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 1 | scanCode);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 1 | scanCode | (LPARAM{3} << 30));
}

// A click on the close box of the window's caption, where the window says it
// is; false when it has none.
bool ClickCloseBox(HWND window)
{
    RECT frame;
    if (!GetWindowRect(window, &frame)) return false;
    const LONG y = frame.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (LONG x = frame.right - 1; x > frame.right - 4 * GetSystemMetrics(SM_CXSIZE); --x) {
        const LPARAM screenPoint = MAKELPARAM(x, y);
        if (SendMessageA(window, WM_NCHITTEST, 0, screenPoint) != HTCLOSE) continue;
        POINT client{x, y};
        ScreenToClient(window, &client);
        PostMessageA(window, WM_NCLBUTTONDOWN, HTCLOSE, screenPoint);
        PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
        return true;
    }
    return false;
}

bool Perform(HWND dialog, const DialogAction &action)
{
    switch (action.kind) {
    case DialogAction::Press: return PressButton(dialog, action.control);
    case DialogAction::Escape: PressEscape(dialog); return true;
    case DialogAction::CloseBox: return ClickCloseBox(dialog);
    }
    return false;
}

// The icon of a message box, told by the system icon it shows.
int MessageBoxIcon(HWND box)
{
    const struct {
        LPCSTR icon;
        int type;
    } icons[] = {{IDI_HAND, MB_ICONHAND},
                 {IDI_QUESTION, MB_ICONQUESTION},
                 {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                 {IDI_ASTERISK, MB_ICONASTERISK}};
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        const auto shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        for (const auto &icon : icons)
            if (shown != nullptr && shown == LoadIconA(nullptr, icon.icon)) return icon.type;
    }
    return 0;
}

// The buttons and the icon a message box shows, as MessageBox's type flags.
int MessageBoxType(HWND box)
{
    const auto shows = [box](int id) {
        HWND button = GetDlgItem(box, id);
        return button != nullptr && IsWindowVisible(button);
    };
    int type = MB_OK;
    if (shows(IDABORT))
        type = MB_ABORTRETRYIGNORE;
    else if (shows(IDYES))
        type = shows(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    else if (shows(IDRETRY))
        type = MB_RETRYCANCEL;
    else if (shows(IDCANCEL))
        type = MB_OKCANCEL;
    return type | MessageBoxIcon(box);
}

// The message: the box's one static control with text.
std::string MessageBoxText(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0) continue;
        const std::string text = TextOf(child);
        if (!text.empty()) return text;
    }
    return "";
}

}  // namespace

ScriptedUser::ScriptedUser()
    : stepTaken_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      hook_(SetWindowsHookExA(WH_CBT, WindowHook, nullptr, GetCurrentThreadId()))
{
    if (stepTaken_ == nullptr || hook_ == nullptr) {
        if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
        if (stepTaken_ != nullptr) CloseHandle(stepTaken_);
        throw std::runtime_error("cannot watch the windows of this thread");
    }
    thread_ = std::thread([this] { Run(); });
}

ScriptedUser::~ScriptedUser()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
    UnhookWindowsHookEx(hook_);
    CloseHandle(stepTaken_);
}

ScriptedUser &ScriptedUser::Of(HWND mainWindow)
{
    auto *user = reinterpret_cast<ScriptedUser *>(GetWindowLongPtrA(mainWindow, GWLP_USERDATA));
    if (user == nullptr)
        throw std::runtime_error("the host could not make its main window, so nobody sits at its dialogs "
                                 "(under Wine, windows need an X server: run under xvfb-run)");
    return *user;
}

ScriptedUser *ScriptedUser::OfActiveHost()
{
    const Host *host = Host::current();
    if (host == nullptr || host->mainWindow() == nullptr) return nullptr;
    return reinterpret_cast<ScriptedUser *>(GetWindowLongPtrA(host->mainWindow(), GWLP_USERDATA));
}

void ScriptedUser::Script(std::vector<DialogAction> actions)
{
    std::lock_guard<std::mutex> lock(mutex_);
    script_ = std::move(actions);
}

void ScriptedUser::RefuseNextDialog()
{
    std::lock_guard<std::mutex> lock(mutex_);
    refuseNext_ = true;
}

LRESULT CALLBACK ScriptedUser::WindowHook(int code, WPARAM wParam, LPARAM lParam)
{
    ScriptedUser *user = OfActiveHost();
    if (user != nullptr && code == HCBT_CREATEWND &&
        IsEffectDialog(*reinterpret_cast<const CBT_CREATEWNDA *>(lParam)->lpcs)) {
        std::lock_guard<std::mutex> lock(user->mutex_);
        if (std::exchange(user->refuseNext_, false)) {
            user->script_.clear();
            user->lastDialog_ = DialogRecord{};
            return 1;
        }
    }
    if (user != nullptr && code == HCBT_ACTIVATE && IsMessageBox(reinterpret_cast<HWND>(wParam))) {
        {
            std::lock_guard<std::mutex> lock(user->mutex_);
            user->messageBoxes_.push_back(reinterpret_cast<HWND>(wParam));
        }
        user->wake_.notify_one();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DialogRecord ScriptedUser::LastDialog() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lastDialog_;
}

MessageBoxRecord ScriptedUser::LastMessageBox() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lastMessageBox_;
}

void ScriptedUser::Idle(HWND dialog)
{
    if (IsMessageBox(dialog)) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_ = dialog;
    }
    wake_.notify_one();
    // The user reads and paints the dialog through this thread.
    while (MsgWaitForMultipleObjects(1, &stepTaken_, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void ScriptedUser::Run()
{
    for (;;) {
        HWND box = nullptr, dialog = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || waiting_ != nullptr || !messageBoxes_.empty(); });
            if (stopping_) return;
            if (!messageBoxes_.empty()) {
                box = messageBoxes_.front();
                messageBoxes_.pop_front();
            } else {
                dialog = std::exchange(waiting_, nullptr);
            }
        }
        if (box != nullptr) {
            AnswerMessageBox(box);
        } else {
            if (IsWindow(dialog)) StepInDialog(dialog);
            SetEvent(stepTaken_);
        }
    }
}

void ScriptedUser::StepInDialog(HWND dialog)
{
    if (dialog != dialog_) {
        dialog_ = dialog;
        closeBoxUsed_ = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            steps_.assign(script_.begin(), script_.end());
            script_.clear();
        }
        LookAt(dialog);
    }
    while (!steps_.empty()) {
        const DialogAction action = steps_.front();
        steps_.pop_front();
        if (Perform(dialog, action)) return;
        std::lock_guard<std::mutex> lock(mutex_);
        ++lastDialog_.ignoredPresses;
    }
    if (!std::exchange(closeBoxUsed_, true) && ClickCloseBox(dialog)) return;
    std::fprintf(stderr, "fxhost: the dialog stays open after its script and its close box\n");
}

void ScriptedUser::LookAt(HWND dialog)
{
    DialogRecord record;
    record.shown = true;
    record.title = TextOf(dialog);
    GetWindowRect(dialog, &record.rect);
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT))
        record.controls[GetDlgCtrlID(control)] = {TextOf(control), IsWindowEnabled(control) != FALSE};
    record.picture = CaptureWindow(dialog);
    std::lock_guard<std::mutex> lock(mutex_);
    lastDialog_ = std::move(record);
}

void ScriptedUser::AnswerMessageBox(HWND box)
{
    if (std::exchange(answeredBox_, box) == box) return;
    MessageBoxRecord record;
    record.text = MessageBoxText(box);
    record.caption = TextOf(box);
    record.type = MessageBoxType(box);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        record.count = lastMessageBox_.count + 1;
        lastMessageBox_ = std::move(record);
    }
    if (!PressButton(box, IDOK)) PressEscape(box);
}

}  // namespace fxhost::platform
