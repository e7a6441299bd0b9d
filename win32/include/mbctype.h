// Stand-in for the C runtime's multibyte code page query.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// The multibyte code page of the current locale: 932 when its character set is
// Shift_JIS, 65001 for UTF-8, 0 for single-byte sets.
int _getmbcp(void);

#ifdef __cplusplus
}
#endif
