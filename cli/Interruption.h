// SIGINT, SIGTERM and SIGHUP while sallow works. The first one asks the
// emulated host to cancel the frame (it stops between kernel slices) and is
// noted for sallow's own checks; a second one ends the process at once. The
// temporary file being written, if any, is removed on either path and when a
// library calls exit().
#pragma once

#include <string>

class Interruption {
public:
    // Installs the handlers; SIGXFSZ is ignored so that a file-size limit
    // shows up as a failed write rather than killing the process.
    Interruption();
    ~Interruption();
    Interruption(const Interruption &) = delete;
    Interruption &operator=(const Interruption &) = delete;

    // The first signal that arrived; 0 when none did.
    static int signal();
    // Throws Cancelled when a signal arrived.
    static void check();

    // The file to remove if the process ends before it is renamed into place.
    static void setPendingFile(const std::string &path);
    static void clearPendingFile();
};
