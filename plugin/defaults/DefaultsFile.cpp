#include "defaults/DefaultsFile.h"

#include <mbstring.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

char DefaultsSection[128];

namespace DefaultsFile {

namespace {

const char kFolder[] = "\\KORVA\\Tavix\\";
const char kFileName[] = "K_Sallowmerine.ini";
constexpr int kSectionMajor = 1;
constexpr int kSectionMinor = 0;
constexpr size_t kValueBufferSize = 256;
constexpr size_t kReadBufferSize = 128;

bool AppDataFolder(char (&folder)[MAX_PATH]) { return SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE) != FALSE; }

// Float texts always use '.', whatever the user's locale, so a file moves
// between locales without losing fractions. The C library formats and parses
// with the locale's decimal point, so translate at the boundary.
char LocaleDecimalPoint()
{
    const char *point = std::localeconv()->decimal_point;
    return (point && point[0]) ? point[0] : '.';
}

}  // namespace

void SelectSection(bool useFile)
{
    if (!useFile) {
        DefaultsSection[0] = '\0';
        return;
    }
    char text[MAX_PATH];
    std::snprintf(text, sizeof text, "Version=%d.%d", kSectionMajor, kSectionMinor);
    std::strncpy(DefaultsSection, text, sizeof DefaultsSection);
    DefaultsSection[sizeof DefaultsSection - 1] = '\0';
}

bool BuildPath(char (&path)[MAX_PATH])
{
    char folder[MAX_PATH];
    if (!AppDataFolder(folder)) return false;
    int length = std::snprintf(path, sizeof path, "%s%s%s", folder, kFolder, kFileName);
    return length > 0 && static_cast<size_t>(length) < sizeof path;
}

bool CreateFolder(const char *path)
{
    char folder[MAX_PATH];
    std::snprintf(folder, sizeof folder, "%s", path);
    PathRemoveFileSpecA(folder);
    SHCreateDirectoryExA(nullptr, folder, nullptr);
    const DWORD attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Remove(const char *path)
{
    DeleteFileA(path);
    const bool removed = GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
    char appData[MAX_PATH];
    if (!AppDataFolder(appData)) return removed;
    char folder[MAX_PATH];
    std::snprintf(folder, sizeof folder, "%s", path);
    while (PathRemoveFileSpecA(folder)) {
        if (_mbsicmp(reinterpret_cast<const unsigned char *>(folder),
                     reinterpret_cast<const unsigned char *>(appData)) == 0)
            break;
        if (!RemoveDirectoryA(folder)) break;
    }
    return removed;
}

A_long ReadInteger(const char *path, const char *key, A_long fallback)
{
    return static_cast<A_long>(GetPrivateProfileIntA(DefaultsSection, key, fallback, path));
}

double ReadFloat(const char *path, const char *key, double fallback)
{
    char fallbackText[kValueBufferSize];
    std::snprintf(fallbackText, sizeof fallbackText, "%f", fallback);
    char text[kReadBufferSize];
    GetPrivateProfileStringA(DefaultsSection, key, fallbackText, text, sizeof text, path);
    const char point = LocaleDecimalPoint();
    for (char *c = text; *c; ++c)
        if (*c == '.' || *c == ',') *c = point;
    return std::strtod(text, nullptr);
}

bool WriteInteger(const char *path, const char *key, A_long value)
{
    char text[kValueBufferSize];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    return WritePrivateProfileStringA(DefaultsSection, key, text, path) != FALSE;
}

bool WriteFloat(const char *path, const char *key, double value)
{
    char text[kValueBufferSize];
    std::snprintf(text, sizeof text, "%f", value);
    const char point = LocaleDecimalPoint();
    for (char *c = text; *c; ++c)
        if (*c == point) *c = '.';
    return WritePrivateProfileStringA(DefaultsSection, key, text, path) != FALSE;
}

}  // namespace DefaultsFile
