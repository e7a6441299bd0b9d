// The exception barrier, the error-name table, texts and the UI language rule.
#include <win32stub_control.h>

#include <stdexcept>

#include "AEException.h"
#include "ExceptionBarrier.h"
#include "Messages.h"
#include "UiLanguage.h"
#include "gtest/gtest.h"

namespace {

PF_Err Barrier(PF_OutData &out, std::function<PF_Err()> command)
{
    out = PF_OutData{};
    return RunBehindBarrier(&out, command);
}

TEST(ExceptionBarrier, EachKindOfExceptionBecomesCodeAndMessage)
{
    PF_OutData out;
    EXPECT_EQ(Barrier(out, [] { return PF_Err(7); }), 7);
    EXPECT_STREQ(out.return_msg, "");

    EXPECT_EQ(Barrier(out, []() -> PF_Err { throw AEUtil::AEException(4, 45, "f", "text %d", 1); }), 4);
    EXPECT_STREQ(out.return_msg, "f(45): text 1");

    EXPECT_EQ(Barrier(out, []() -> PF_Err { throw std::runtime_error("broken"); }), 512);
    EXPECT_STREQ(out.return_msg, "broken");

    EXPECT_EQ(Barrier(out, []() -> PF_Err { throw PF_Err(516); }), 516);
    EXPECT_STREQ(out.return_msg, "error code = 516\nPF_Err_BAD_CALLBACK_PARAM");

    EXPECT_EQ(Barrier(out, []() -> PF_Err { throw PF_Err(2); }), 2);
    EXPECT_STREQ(out.return_msg, "error code = 2\n");

    EXPECT_EQ(Barrier(out, []() -> PF_Err { throw PF_Err(600); }), 600);
    EXPECT_STREQ(out.return_msg, "error code = 600\nunknown");

    enum class Unexpected { Value = 516 };
    EXPECT_EQ(Barrier(out, []() -> PF_Err { throw Unexpected::Value; }), 512);
    EXPECT_STREQ(out.return_msg, "\x95\x73\x96\xbe\x82\xc8\x83\x47\x83\x89\x81\x5b");
}

TEST(ExceptionBarrier, LongMessagesAreCutToFit)
{
    PF_OutData out;
    const std::string longText(400, 'x');
    Barrier(out, [&]() -> PF_Err { throw std::runtime_error(longText); });
    EXPECT_EQ(std::string(out.return_msg), longText.substr(0, 255));
}

TEST(ErrorNames, TableAsTheHostKnowsIt)
{
    EXPECT_STREQ(ErrorName(0), "PF_Err_NONE");
    EXPECT_STREQ(ErrorName(1), "");
    EXPECT_STREQ(ErrorName(3), "");
    EXPECT_STREQ(ErrorName(4), "PF_Err_OUT_OF_MEMORY");
    EXPECT_STREQ(ErrorName(5), "unknown");
    EXPECT_STREQ(ErrorName(511), "unknown");
    EXPECT_STREQ(ErrorName(512), "PF_Err_INTERNAL_STRUCT_DAMAGED");
    EXPECT_STREQ(ErrorName(517), "PF_Interrupt_CANCEL");
    EXPECT_STREQ(ErrorName(518), "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT");
    EXPECT_STREQ(ErrorName(519), "unknown");
    EXPECT_STREQ(ErrorName(-1), "unknown");
}

TEST(TextTable, JapaneseOnlyEntriesAreEmptyElsewhere)
{
    EXPECT_STREQ(LookupText(kTextEffectName, true), "K_Sallowmerine");
    EXPECT_STREQ(LookupText(kTextEffectName, false), "");
    EXPECT_STRNE(LookupText(kTextCredit, true), "");
    EXPECT_STREQ(LookupText(kTextCredit, false), "");
    EXPECT_STREQ(LookupText(3, true), "");
    EXPECT_STREQ(LookupText(-1, false), "");
}

constexpr uint32_t Code(const char *text)
{
    uint32_t code = 0;
    for (; *text; ++text) code = (code << 8) | static_cast<unsigned char>(*text);
    return code;
}

TEST(LanguageScan, ReadsTheTokenAfterTheSwitch)
{
    EXPECT_EQ(ScanLanguageCode("AfterFX.exe -L jp"), Code("JP"));
    EXPECT_EQ(ScanLanguageCode("AfterFX.exe -l \tJp"), Code("JP"));
    EXPECT_EQ(ScanLanguageCode("AfterFX.exe -L en_US"), Code("N_US"));
    EXPECT_EQ(ScanLanguageCode("AfterFX.exe"), 0u);
    EXPECT_EQ(ScanLanguageCode(""), 0u);
}

TEST(LanguageScan, OnlyBlankPrecededDashesOutsideQuotesAreOptions)
{
    EXPECT_EQ(ScanLanguageCode("\"C:\\Adobe -L JP\\AfterFX.exe\" -x"), 0u);
    EXPECT_EQ(ScanLanguageCode("AfterFX.exe x-L JP"), 0u);
    EXPECT_EQ(ScanLanguageCode("-L JP"), 0u);
    EXPECT_EQ(ScanLanguageCode("\"unterminated -L JP"), 0u);
}

TEST(LanguageScan, LaterSwitchReplacesEarlier)
{
    EXPECT_EQ(ScanLanguageCode("a -L JP -m -L enus"), Code("ENUS"));
    EXPECT_EQ(ScanLanguageCode("a -L enus -L jp"), Code("JP"));
}

TEST(LanguageScan, CodePageDecidesWithoutSwitch)
{
    // This process's command line has no "-L" switch.
    Win32Stub_SetCodePage(932);
    EXPECT_TRUE(IsJapaneseUI());
    Win32Stub_SetCodePage(1252);
    EXPECT_FALSE(IsJapaneseUI());
    Win32Stub_SetCodePage(-1);
}

}  // namespace
