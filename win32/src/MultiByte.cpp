// Case-insensitive string comparison, aware of double-byte characters.
#include <mbctype.h>
#include <mbstring.h>
#include <windows.h>

#include <climits>

#include "Internal.h"

namespace win32stub {

LeadBytes::LeadBytes() : shiftJis_(_getmbcp() == 932) {}

bool LeadBytes::operator()(unsigned char byte) const
{
    return shiftJis_ && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

}  // namespace win32stub

namespace {

// Folds only ASCII: the locale's tables would also fold bytes that are halves
// of double-byte characters.
unsigned FoldAscii(unsigned char byte) { return (byte >= 'A' && byte <= 'Z') ? byte + ('a' - 'A') : byte; }

// A double-byte character is one unit, compared as is; a lead byte just before
// the terminator stands alone.
unsigned NextUnit(const unsigned char *&text, const win32stub::LeadBytes &isLead)
{
    unsigned char first = *text++;
    if (isLead(first) && *text != '\0') return (static_cast<unsigned>(first) << 8) | *text++;
    return FoldAscii(first);
}

int CompareFolded(const unsigned char *a, const unsigned char *b)
{
    const win32stub::LeadBytes isLead;
    for (;;) {
        unsigned unitA = NextUnit(a, isLead);
        unsigned unitB = NextUnit(b, isLead);
        if (unitA != unitB) return unitA < unitB ? -1 : 1;
        if (unitA == 0) return 0;
    }
}

}  // namespace

extern "C" int WINAPI lstrcmpiA(LPCSTR string1, LPCSTR string2)
{
    // Windows orders a null string before any other.
    if (string1 == nullptr || string2 == nullptr) return (string1 != nullptr) - (string2 != nullptr);
    return CompareFolded(reinterpret_cast<const unsigned char *>(string1),
                         reinterpret_cast<const unsigned char *>(string2));
}

extern "C" int _mbsicmp(const unsigned char *string1, const unsigned char *string2)
{
    // The C runtime's _NLSCMPERROR.
    if (string1 == nullptr || string2 == nullptr) return INT_MAX;
    return CompareFolded(string1, string2);
}
