#include "UiLanguage.h"

#include <mbctype.h>
#include <windows.h>

namespace {

constexpr uint32_t kJapaneseCode = ('J' << 8) | 'P';
constexpr int kJapaneseCodePage = 932;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct LanguageCache {
    bool scanned = false;
    uint32_t code = 0;
};
LanguageCache g_language;

}  // namespace

uint32_t ScanLanguageCode(const char *line)
{
    uint32_t code = 0;
    if (line == nullptr) return code;
    const char *p = line;
    while (*p != '\0') {
        if (*p == '"') {
            ++p;
            while (*p != '\0' && *p != '"') ++p;
            if (*p == '"') ++p;
            continue;
        }
        const bool optionStart = *p == '-' && p > line && IsBlank(p[-1]);
        if (!optionStart) {
            ++p;
            continue;
        }
        ++p;
        if (Upper(*p) != 'L') continue;
        ++p;
        while (IsBlank(*p)) ++p;
        code = 0;
        while (*p != '\0' && !IsBlank(*p)) {
            code = (code << 8) | static_cast<unsigned char>(Upper(*p));
            ++p;
        }
    }
    return code;
}

bool IsJapaneseUI()
{
    if (!g_language.scanned) {
        g_language.code = ScanLanguageCode(GetCommandLineA());
        g_language.scanned = true;
    }
    if (g_language.code == kJapaneseCode) return true;
    return g_language.code == 0 && _getmbcp() == kJapaneseCodePage;
}
