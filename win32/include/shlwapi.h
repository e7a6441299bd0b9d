// Stand-in for the shell's path helpers.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Removes the last element (and its separator) from a path in place; TRUE
// when something was removed.
BOOL WINAPI PathRemoveFileSpecA(LPSTR pszPath);

#ifdef __cplusplus
}
#endif
