// Whether user-visible texts are Japanese: the host's "-L" command-line switch
// decides, else the code page of the current locale.
#pragma once

#include <cstdint>

// The language code of the last "-L" option of a command line: the upper-cased
// characters of the token after it, the last four kept in a 32-bit value; 0
// when the line has no "-L" option.
uint32_t ScanLanguageCode(const char *commandLine);

// True for a "-L JP" switch, or with no switch on a code page 932 system.
// The command line is scanned once per process.
bool IsJapaneseUI();
