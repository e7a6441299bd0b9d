#include <gtest/gtest.h>
#include <mbstring.h>
#include <windows.h>

#include "ScopedCodePage.h"

namespace {

int Compare(const char *a, const char *b)
{
    return _mbsicmp(reinterpret_cast<const unsigned char *>(a), reinterpret_cast<const unsigned char *>(b));
}

TEST(CompareTest, LstrcmpiFoldsAsciiAndOrders)
{
    EXPECT_EQ(lstrcmpiA("Version=1.0", "vERSION=1.0"), 0);
    EXPECT_LT(lstrcmpiA("abc", "ABD"), 0);
    EXPECT_GT(lstrcmpiA("abcd", "ABC"), 0);
    EXPECT_LT(lstrcmpiA(nullptr, ""), 0);
    EXPECT_EQ(lstrcmpiA(nullptr, nullptr), 0);
}

TEST(CompareTest, MbsicmpComparesDoubleByteCharactersUnfolded)
{
    // 0x83 0x61 and 0x83 0x41 are two different Shift_JIS characters.
    {
        ScopedCodePage shiftJis(932);
        EXPECT_NE(Compare("x\x83\x61", "X\x83\x41"), 0);
        EXPECT_EQ(Compare("x\x83\x61y", "X\x83\x61Y"), 0);
        EXPECT_GT(Compare("\x83\x40", "z"), 0);
    }
    ScopedCodePage singleByte(0);
    EXPECT_EQ(Compare("x\x83\x61", "X\x83\x41"), 0);
    EXPECT_LT(Compare("/home/u/.config", "/HOME/u/.config/x"), 0);
}

}  // namespace
