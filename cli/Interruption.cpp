#include "Interruption.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "Errors.h"
#include "fxhost/Host.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_signal{0};
std::atomic<int> g_holds{0};
std::atomic<int> g_deferredExit{0};  // the signal that ends the process when the holds go

// A pending temporary file. A slot is claimed (Writing) before its name is
// written and marked Pending after, so a signal handler never reads a name
// half-written.
struct PendingFile {
    enum State { Free, Writing, Pending };
    std::atomic<int> state{Free};
    char name[PATH_MAX];
};
PendingFile g_pending[Interruption::kPendingFiles];

void RemovePendingFiles()
{
    for (PendingFile &file : g_pending) {
        int pending = PendingFile::Pending;
        if (file.state.compare_exchange_strong(pending, PendingFile::Free)) unlink(file.name);
    }
}

void OnSignal(int number)
{
    int expected = 0;
    if (g_signal.compare_exchange_strong(expected, number)) {
        if (fxhost::Host *host = fxhost::Host::current()) host->requestCancel();
        return;
    }
    if (g_holds.load() > 0) {
        g_deferredExit = number;
        return;
    }
    RemovePendingFiles();
    _exit(128 + number);
}

}  // namespace

Interruption::Interruption()
{
    static const bool registered = std::atexit(RemovePendingFiles) == 0;
    (void)registered;
    ::signal(SIGXFSZ, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int number : kSignals) sigaction(number, &action, nullptr);
}

// The handlers stay until the process ends. A first signal that arrives
// while it winds down, its outputs complete, finds no frame to cancel and
// leaves the command's status as it is; the default action would have
// reported finished work as killed.
Interruption::~Interruption() { RemovePendingFiles(); }

int Interruption::signal() { return g_signal.load(); }

void Interruption::check()
{
    if (const int number = g_signal.load()) throw Cancelled(number);
}

int Interruption::setPendingFile(const std::string &path)
{
    for (int token = 0; token < kPendingFiles; ++token) {
        PendingFile &file = g_pending[token];
        int free = PendingFile::Free;
        if (!file.state.compare_exchange_strong(free, PendingFile::Writing)) continue;
        std::strncpy(file.name, path.c_str(), sizeof file.name - 1);
        file.name[sizeof file.name - 1] = '\0';
        file.state = PendingFile::Pending;
        return token;
    }
    throw std::logic_error("more temporary files at once than sallow tracks");
}

Interruption::Hold::Hold() { ++g_holds; }

Interruption::Hold::~Hold()
{
    if (--g_holds == 0 && g_deferredExit.load() != 0) {
        RemovePendingFiles();
        _exit(128 + g_deferredExit.load());
    }
}

void Interruption::clearPendingFile(int token)
{
    if (token >= 0 && token < kPendingFiles) g_pending[token].state = PendingFile::Free;
}
