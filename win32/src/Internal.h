// Helpers shared by the stand-in's translation units; not exported from the
// library.
#pragma once

#include <string>

namespace win32stub __attribute__((visibility("hidden"))) {

// Tells the lead bytes of double-byte characters in the code page current at
// construction; single-byte code pages have none.
class LeadBytes {
public:
    LeadBytes();
    bool operator()(unsigned char byte) const;

private:
    bool shiftJis_;
};

// A Windows path as this file system spells it: backslash separators become
// slashes. The trail byte of a double-byte character is not a separator.
std::string NativePath(const char *windowsPath);

}  // namespace win32stub
