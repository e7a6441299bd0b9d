// The user at the effect's dialogs: a scripted user on a thread of its own,
// working the real dialog functions.
#include "ScriptedUser.h"

namespace fxhost {

void Host::scriptDialog(const std::vector<DialogAction> &actions)
{
    platform::ScriptedUser::Of(mainWindow_).Script(actions);
}

void Host::failNextDialog() { platform::ScriptedUser::Of(mainWindow_).RefuseNextDialog(); }

DialogRecord Host::lastDialog() const { return platform::ScriptedUser::Of(mainWindow_).LastDialog(); }

MessageBoxRecord Host::lastMessageBox() const { return platform::ScriptedUser::Of(mainWindow_).LastMessageBox(); }

}  // namespace fxhost
