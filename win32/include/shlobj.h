// Stand-in for the shell's special-folder and directory functions.
#pragma once

#include <windows.h>

#define CSIDL_APPDATA 0x001a
#define ERROR_SUCCESS 0L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_FILE_EXISTS 80L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_BAD_PATHNAME 161L

#ifdef __cplusplus
extern "C" {
#endif

// CSIDL_APPDATA is $XDG_CONFIG_HOME, else $HOME/.config.
BOOL WINAPI SHGetSpecialFolderPathA(HWND hwnd, LPSTR pszPath, int csidl, BOOL fCreate);
// Creates a folder with every missing level; backslashes separate levels.
int WINAPI SHCreateDirectoryExA(HWND hwnd, LPCSTR pszPath, const void *psa);

#ifdef __cplusplus
}
#endif
