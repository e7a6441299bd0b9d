// A small modal dialog class family over the Windows dialog functions. Every
// dialog shares one dialog procedure, which finds the dialog object of a
// window in DialogWindowMap and hands each message to its operation.
#pragma once

#include <windows.h>

#include <cstdint>

namespace FxOptionDlg {

enum DialogLanguage : int32_t { kJapanese = 1, kEnglish = 2 };

class DialogBase {
public:
    DialogBase(HINSTANCE instance, HWND parent, uint16_t templateId, const char *title, bool defaultsAvailable,
               DialogLanguage language);
    virtual ~DialogBase() = default;
    DialogBase(const DialogBase &) = delete;
    DialogBase &operator=(const DialogBase &) = delete;

    // Shows the dialog modally; the value EndDialog gave, or -1 when the
    // dialog could not be created.
    virtual INT_PTR Run();
    virtual INT_PTR OnInitDialog(HWND window, WPARAM wParam);
    virtual INT_PTR OnCommand(HWND window, WORD notificationCode, WORD controlId, LPARAM lParam);
    virtual INT_PTR OnNotify(HWND window, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR OnClose(HWND window);
    virtual INT_PTR OnDestroy(HWND window);
    // Moves the dialog to the middle of its parent, keeping its size.
    virtual void CenterOnParent(HWND window);
    virtual BOOL SetText(HWND window, const char *text);

protected:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    HWND parent_;
    uint16_t templateId_;
    char title_[256];
    uint8_t defaultsAvailable_;
    DialogLanguage language_;
};

// Frees the map from dialog windows to dialog objects (module unload).
void FreeDialogWindowMap();

}  // namespace FxOptionDlg
