// Process-level Windows functions: the command line, the keyboard state and the
// C runtime's multibyte code page.
#include <langinfo.h>
#include <mbctype.h>
#include <strings.h>
#include <windows.h>
#include <win32stub_control.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>

namespace {

std::mutex g_stateMutex;
std::string g_commandLineOverride;
bool g_hasCommandLineOverride = false;
std::string g_commandLine;
std::atomic<unsigned> g_shiftDown{0};
std::atomic<int> g_codePageOverride{-1};

// Windows quotes an argument that holds blanks; do the same when joining argv.
std::string ReadOwnCommandLine()
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string line;
    size_t start = 0;
    while (start < raw.size()) {
        size_t end = raw.find('\0', start);
        if (end == std::string::npos) end = raw.size();
        std::string arg = raw.substr(start, end - start);
        if (!line.empty()) line += ' ';
        if (arg.find_first_of(" \t") != std::string::npos)
            line += '"' + arg + '"';
        else
            line += arg;
        start = end + 1;
    }
    return line;
}

}  // namespace

extern "C" LPSTR WINAPI GetCommandLineA(void)
{
    std::lock_guard<std::mutex> lock(g_stateMutex);
    g_commandLine = g_hasCommandLineOverride ? g_commandLineOverride : ReadOwnCommandLine();
    return &g_commandLine[0];
}

extern "C" SHORT WINAPI GetKeyState(int nVirtKey)
{
    // The high bit marks a key that is down.
    if (nVirtKey == VK_SHIFT && g_shiftDown.load()) return static_cast<SHORT>(0x8000);
    return 0;
}

extern "C" int _getmbcp(void)
{
    int forced = g_codePageOverride.load();
    if (forced >= 0) return forced;
    const char *codeset = nl_langinfo(CODESET);
    if (codeset == nullptr) return 0;
    for (const char *name : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J", "MS932"})
        if (strcasecmp(codeset, name) == 0) return 932;
    if (strcasecmp(codeset, "UTF-8") == 0) return 65001;
    return 0;
}

extern "C" void Win32Stub_SetKeyDown(int vk, int down)
{
    if (vk == VK_SHIFT) g_shiftDown.store(down ? 1u : 0u);
}

extern "C" void Win32Stub_SetCommandLine(const char *commandLine)
{
    std::lock_guard<std::mutex> lock(g_stateMutex);
    g_hasCommandLineOverride = commandLine != nullptr;
    g_commandLineOverride = commandLine ? commandLine : "";
}

extern "C" void Win32Stub_SetCodePage(int codePage) { g_codePageOverride.store(codePage); }
