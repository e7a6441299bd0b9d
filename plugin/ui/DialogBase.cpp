#include "ui/DialogBase.h"

#include <cstring>
#include <map>

namespace FxOptionDlg {

namespace {

// Dialog windows and the objects that answer for them, from WM_INITDIALOG to
// WM_DESTROY. Created by the first dialog message, freed at unload.
std::map<HWND, DialogBase *> *g_dialogWindowMap = nullptr;

std::map<HWND, DialogBase *> &DialogWindowMap()
{
    if (g_dialogWindowMap == nullptr) g_dialogWindowMap = new std::map<HWND, DialogBase *>;
    return *g_dialogWindowMap;
}

}  // namespace

void FreeDialogWindowMap()
{
    delete g_dialogWindowMap;
    g_dialogWindowMap = nullptr;
}

DialogBase::DialogBase(HINSTANCE instance, HWND parent, uint16_t templateId, const char *title,
                       bool defaultsAvailable, DialogLanguage language)
    : instance_(instance), parent_(parent), templateId_(templateId), title_(), defaultsAvailable_(defaultsAvailable),
      language_(language)
{
    std::strncpy(title_, title ? title : "", sizeof title_ - 1);
}

INT_PTR DialogBase::Run()
{
    return DialogBoxParamA(instance_, MAKEINTRESOURCEA(templateId_), parent_, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR DialogBase::OnInitDialog(HWND, WPARAM) { return 1; }

INT_PTR DialogBase::OnCommand(HWND, WORD, WORD, LPARAM) { return 1; }

INT_PTR DialogBase::OnNotify(HWND, WPARAM, LPARAM) { return 0; }

INT_PTR DialogBase::OnClose(HWND window)
{
    EndDialog(window, 0);
    return 1;
}

INT_PTR DialogBase::OnDestroy(HWND) { return 1; }

void DialogBase::CenterOnParent(HWND window)
{
    RECT dialog, parent;
    // Without both rectangles there is nothing to centre on.
    if (!GetWindowRect(window, &dialog) || !GetWindowRect(parent_, &parent)) return;
    const LONG width = dialog.right - dialog.left;
    const LONG height = dialog.bottom - dialog.top;
    const LONG left = (parent.left + parent.right + dialog.left - dialog.right) / 2;
    const LONG top = (parent.top + parent.bottom + dialog.top - dialog.bottom) / 2;
    MoveWindow(window, left, top, width, height, TRUE);
}

BOOL DialogBase::SetText(HWND window, const char *text) { return SetWindowTextA(window, text); }

INT_PTR CALLBACK DialogBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::map<HWND, DialogBase *> &map = DialogWindowMap();
    if (message == WM_INITDIALOG) map[window] = reinterpret_cast<DialogBase *>(lParam);
    const auto found = map.find(window);
    if (found == map.end()) return FALSE;
    DialogBase *dialog = found->second;
    switch (message) {
    case WM_INITDIALOG: return dialog->OnInitDialog(window, wParam);
    case WM_COMMAND: return dialog->OnCommand(window, HIWORD(wParam), LOWORD(wParam), lParam);
    case WM_NOTIFY: return dialog->OnNotify(window, wParam, lParam);
    case WM_CLOSE: return dialog->OnClose(window);
    case WM_DESTROY: {
        const INT_PTR result = dialog->OnDestroy(window);
        map.erase(window);
        return result;
    }
    default: return FALSE;
    }
}

}  // namespace FxOptionDlg
