#include "Interruption.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "Errors.h"
#include "fxhost/Host.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_signal{0};
// The pending temporary file. Written only while no signal handler can read
// it half-written: the flag is cleared before and set after the name.
char g_pendingName[PATH_MAX];
std::atomic<bool> g_pending{false};
struct sigaction g_previous[sizeof kSignals / sizeof kSignals[0]];

void RemovePendingFile()
{
    if (g_pending.exchange(false)) unlink(g_pendingName);
}

void OnSignal(int number)
{
    int expected = 0;
    if (g_signal.compare_exchange_strong(expected, number)) {
        if (fxhost::Host *host = fxhost::Host::current()) host->requestCancel();
        return;
    }
    RemovePendingFile();
    _exit(128 + number);
}

}  // namespace

Interruption::Interruption()
{
    static const bool registered = std::atexit(RemovePendingFile) == 0;
    (void)registered;
    ::signal(SIGXFSZ, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) sigaction(kSignals[i], &action, &g_previous[i]);
}

Interruption::~Interruption()
{
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
    RemovePendingFile();
}

int Interruption::signal() { return g_signal.load(); }

void Interruption::check()
{
    if (const int number = g_signal.load()) throw Cancelled(number);
}

void Interruption::setPendingFile(const std::string &path)
{
    g_pending = false;
    std::strncpy(g_pendingName, path.c_str(), sizeof g_pendingName - 1);
    g_pending = true;
}

void Interruption::clearPendingFile() { g_pending = false; }
