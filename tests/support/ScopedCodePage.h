// Forces the code page _getmbcp reports for one scope.
#pragma once

#include <win32stub_control.h>

class ScopedCodePage {
public:
    explicit ScopedCodePage(int codePage) { Win32Stub_SetCodePage(codePage); }
    ~ScopedCodePage() { Win32Stub_SetCodePage(-1); }
    ScopedCodePage(const ScopedCodePage &) = delete;
    ScopedCodePage &operator=(const ScopedCodePage &) = delete;
};
