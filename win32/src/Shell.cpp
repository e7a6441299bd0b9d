// Folders, files and path text: the shell's special folder, directory creation
// and removal, file deletion and the path helpers.
#include <shlobj.h>
#include <shlwapi.h>
#include <sys/stat.h>
#include <unistd.h>
#include <win32stub_control.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "Internal.h"

namespace win32stub {

std::string NativePath(const char *windowsPath)
{
    std::string path(windowsPath);
    const LeadBytes isLead;
    for (size_t i = 0; i < path.size(); ++i) {
        if (isLead(static_cast<unsigned char>(path[i])) && i + 1 < path.size())
            ++i;
        else if (path[i] == '\\')
            path[i] = '/';
    }
    return path;
}

}  // namespace win32stub

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void RemoveTrailingSlashes(std::string &path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
}

std::mutex g_appDataMutex;
std::optional<std::string> g_appDataOverride;

// Windows' CSIDL_APPDATA is the XDG configuration folder, unless an emulated
// host set another. XDG asks to ignore a relative XDG_CONFIG_HOME.
std::string ConfigHome()
{
    {
        std::lock_guard<std::mutex> lock(g_appDataMutex);
        if (g_appDataOverride) return *g_appDataOverride;
    }
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (xdg != nullptr && xdg[0] == '/') {
        folder = xdg;
    } else {
        const char *home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') return {};
        folder = home;
        RemoveTrailingSlashes(folder);
        if (folder != "/") folder += '/';
        folder += ".config";
    }
    RemoveTrailingSlashes(folder);
    return folder;
}

// Creates path and each missing level above it; answers as
// SHCreateDirectoryExA does.
int CreateLevels(const std::string &path, mode_t mode)
{
    if (path.empty() || path[0] != '/') return ERROR_BAD_PATHNAME;
    struct stat status;
    if (stat(path.c_str(), &status) == 0) return S_ISDIR(status.st_mode) ? ERROR_ALREADY_EXISTS : ERROR_FILE_EXISTS;
    for (size_t end = 1; end <= path.size(); ++end) {
        if (end < path.size() && path[end] != '/') continue;
        if (path[end - 1] == '/') continue;
        const std::string level = path.substr(0, end);
        if (mkdir(level.c_str(), mode) == 0) continue;
        // Another process may have made the level meanwhile.
        if (errno != EEXIST || stat(level.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
            return ERROR_PATH_NOT_FOUND;
    }
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI SHGetSpecialFolderPathA(HWND, LPSTR path, int csidl, BOOL create)
{
    if (path == nullptr) return FALSE;
    path[0] = '\0';
    if (csidl != CSIDL_APPDATA) return FALSE;
    const std::string folder = ConfigHome();
    if (folder.empty() || folder.size() >= MAX_PATH) return FALSE;
    if (create) {
        // XDG wants the configuration folder private to its user.
        int result = CreateLevels(folder, 0700);
        if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS) return FALSE;
    }
    std::memcpy(path, folder.c_str(), folder.size() + 1);
    return TRUE;
}

extern "C" void Win32Stub_SetAppDataFolder(const char *folder)
{
    std::lock_guard<std::mutex> lock(g_appDataMutex);
    if (folder == nullptr) {
        g_appDataOverride.reset();
        return;
    }
    std::string path(folder);
    RemoveTrailingSlashes(path);
    g_appDataOverride = path;
}

extern "C" int WINAPI SHCreateDirectoryExA(HWND, LPCSTR path, const void *)
{
    if (path == nullptr) return ERROR_BAD_PATHNAME;
    std::string folder = win32stub::NativePath(path);
    RemoveTrailingSlashes(folder);
    return CreateLevels(folder, 0777);
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR fileName)
{
    if (fileName == nullptr) return FALSE;
    return unlink(win32stub::NativePath(fileName).c_str()) == 0;
}

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR fileName)
{
    struct stat status;
    if (fileName == nullptr || stat(win32stub::NativePath(fileName).c_str(), &status) != 0)
        return INVALID_FILE_ATTRIBUTES;
    return S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR pathName)
{
    if (pathName == nullptr) return FALSE;
    return rmdir(win32stub::NativePath(pathName).c_str()) == 0;
}

extern "C" BOOL WINAPI PathRemoveFileSpecA(LPSTR path)
{
    if (path == nullptr) return FALSE;
    const win32stub::LeadBytes isLead;
    size_t length = 0;
    size_t lastSeparator = std::string::npos;
    for (; path[length] != '\0'; ++length) {
        if (isLead(static_cast<unsigned char>(path[length])) && path[length + 1] != '\0')
            ++length;
        else if (IsSeparator(path[length]))
            lastSeparator = length;
    }
    const bool drive = IsAsciiLetter(path[0]) && path[1] == ':';
    size_t keep = lastSeparator;
    // Roots keep their separators: "\", "\\" of a UNC name, "C:\"; a bare
    // name after a drive keeps the drive.
    if (lastSeparator == std::string::npos)
        keep = drive ? 2 : 0;
    else if (lastSeparator == 0)
        keep = 1;
    else if (lastSeparator == 1 && IsSeparator(path[0]))
        keep = 2;
    else if (lastSeparator == 2 && drive)
        keep = 3;
    if (keep >= length) return FALSE;
    path[keep] = '\0';
    return TRUE;
}
