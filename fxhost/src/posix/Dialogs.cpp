// The user at the effect's dialogs, played and recorded by the Windows
// stand-in.
#include <win32stub_control.h>

#include "fxhost/Host.h"

namespace fxhost {

void Host::scriptDialog(const std::vector<DialogAction> &actions)
{
    std::vector<Win32Stub_DialogAction> script;
    for (const DialogAction &action : actions) script.push_back({action.kind, action.control});
    Win32Stub_ScriptDialog(script.data(), static_cast<int>(script.size()));
}

void Host::failNextDialog() { Win32Stub_FailNextDialog(); }

DialogRecord Host::lastDialog() const
{
    DialogRecord record;
    char text[1024];
    record.result = Win32Stub_LastDialogResult();
    record.shown = Win32Stub_LastDialogTitle(text, sizeof text) != FALSE;
    if (!record.shown) return record;
    record.title = text;
    Win32Stub_LastDialogRect(&record.rect);
    std::vector<int> ids(static_cast<size_t>(Win32Stub_LastDialogControls(nullptr, 0)));
    Win32Stub_LastDialogControls(ids.data(), static_cast<int>(ids.size()));
    for (int id : ids) {
        Win32Stub_LastDialogControlText(id, text, sizeof text);
        record.controls[id] = {text, Win32Stub_LastDialogControlEnabled(id) == 1};
    }
    record.ignoredPresses = Win32Stub_LastDialogIgnoredPresses();
    return record;
}

MessageBoxRecord Host::lastMessageBox() const
{
    MessageBoxRecord record;
    char text[1024], caption[256];
    record.count = Win32Stub_MessageBoxCount();
    record.type = Win32Stub_LastMessageBox(text, sizeof text, caption, sizeof caption);
    if (record.type >= 0) {
        record.text = text;
        record.caption = caption;
    }
    return record;
}

}  // namespace fxhost
