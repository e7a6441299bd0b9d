// Stand-in for the C runtime's multibyte string comparison.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Compares without regard to case, stepping over the trail bytes of
// double-byte characters of the current code page as units.
int _mbsicmp(const unsigned char *string1, const unsigned char *string2);

#ifdef __cplusplus
}
#endif
