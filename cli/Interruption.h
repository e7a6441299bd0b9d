// SIGINT, SIGTERM and SIGHUP while sallow works. The first one asks the
// emulated host to cancel the frame (it stops between kernel slices) and is
// noted for sallow's own checks; a second one ends the process at once. The
// temporary files being written, if any (one per frame writing at once), are
// removed on either path and when a library calls exit().
#pragma once

#include <string>

class Interruption {
public:
    // Installs the handlers, which stay until the process ends; SIGXFSZ is
    // ignored so that a file-size limit shows up as a failed write rather
    // than killing the process.
    Interruption();
    // Removes the temporary files still pending.
    ~Interruption();
    Interruption(const Interruption &) = delete;
    Interruption &operator=(const Interruption &) = delete;

    // The first signal that arrived; 0 when none did.
    static int signal();
    // Throws Cancelled when a signal arrived.
    static void check();

    // A file to remove if the process ends before it is renamed into place;
    // returns the token that clears it. Up to kPendingFiles at once.
    static constexpr int kPendingFiles = 64;
    static int setPendingFile(const std::string &path);
    static void clearPendingFile(int token);

    // While one lives, on any thread, a second signal does not end the
    // process at once but when the last one goes: for work that cannot be
    // undone half way.
    class Hold {
    public:
        Hold();
        ~Hold();
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;
    };
};
