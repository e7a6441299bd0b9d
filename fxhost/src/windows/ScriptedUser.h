// The user in front of the screen, for the modal dialogs and message boxes
// the effect opens over the host's main window.
//
// A dialog's modal loop that runs out of messages tells its owner so
// (WM_ENTERIDLE); the main window hands that moment to the user, whose own
// thread looks at the dialog and takes one step by posting the messages a
// click or a key press sends. The loop's thread answers the messages the user
// sends it (reading texts, painting) until the step is taken, so that every
// step is posted whole before the loop reads on. Message boxes send no such
// notice: the user answers each once it is activated.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "fxhost/Host.h"

namespace fxhost::platform {

class ScriptedUser {
public:
    // The user of the windows of the calling thread.
    ScriptedUser();
    // Stops the user's thread.
    ~ScriptedUser();
    ScriptedUser(const ScriptedUser &) = delete;
    ScriptedUser &operator=(const ScriptedUser &) = delete;

    // The user of the host whose main window this is.
    static ScriptedUser &Of(HWND mainWindow);

    // The actions for the next dialog (message boxes excepted).
    void Script(std::vector<DialogAction> actions);
    // The next dialog cannot be created.
    void RefuseNextDialog();
    DialogRecord LastDialog() const;
    MessageBoxRecord LastMessageBox() const;

    // On the thread of a dialog's modal loop, which waits for the user in
    // `dialog`: returns once the user has taken a step there.
    void Idle(HWND dialog);

private:
    static ScriptedUser *OfActiveHost();
    // Watches the windows of the thread that made the user: refuses a
    // dialog, notices message boxes.
    static LRESULT CALLBACK WindowHook(int code, WPARAM wParam, LPARAM lParam);
    void Run();
    void StepInDialog(HWND dialog);
    void AnswerMessageBox(HWND box);
    void LookAt(HWND dialog);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    HWND waiting_ = nullptr;         // the dialog whose loop waits for a step
    std::deque<HWND> messageBoxes_;  // activated, not yet answered
    bool stopping_ = false;
    HANDLE stepTaken_;
    HHOOK hook_;

    std::vector<DialogAction> script_;  // for the next dialog
    bool refuseNext_ = false;

    // The user's own: the dialog at hand, what is left to do there.
    HWND dialog_ = nullptr;
    std::deque<DialogAction> steps_;
    bool closeBoxUsed_ = false;
    HWND answeredBox_ = nullptr;  // activation may come more than once

    DialogRecord lastDialog_;
    MessageBoxRecord lastMessageBox_;
    std::thread thread_;
};

}  // namespace fxhost::platform
