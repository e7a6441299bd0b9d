// The about text through the real keyboard state and code page: the credit
// line is Japanese on a code page 932 system and absent elsewhere. ctest runs
// suites named Japanese... under a Japanese locale, the others under C.UTF-8.
#include "WindowsModule.h"

namespace {

constexpr char kAbout[] = "K_Sallowmerine 1.0.2 Release \r\r";
constexpr char kAboutWithBuild[] = "K_Sallowmerine 1.0.2 Release build:8 \r\r";
constexpr char kJapaneseCredit[] = "KORVA \x90\xbb\x8d\xec";

class EnglishSystem : public ModuleTest {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetACP(), 932u) << "run the English cases under LC_ALL=C.UTF-8";
        ModuleTest::SetUp();
    }
};

class JapaneseSystem : public ModuleTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetACP(), 932u) << "run the Japanese cases under LC_ALL=ja_JP.UTF-8";
        ModuleTest::SetUp();
    }
};

TEST_F(EnglishSystem, AboutHasNoCredit)
{
    EXPECT_EQ(effect->send(PF_Cmd_ABOUT).message(), kAbout);
    host.setShiftDown(true);
    EXPECT_EQ(effect->send(PF_Cmd_ABOUT).message(), kAboutWithBuild);
    host.setShiftDown(false);
}

TEST_F(JapaneseSystem, AboutEndsWithTheJapaneseCredit)
{
    EXPECT_EQ(effect->send(PF_Cmd_ABOUT).message(), std::string(kAbout) + kJapaneseCredit);
    host.setShiftDown(true);
    EXPECT_EQ(effect->send(PF_Cmd_ABOUT).message(), std::string(kAboutWithBuild) + kJapaneseCredit);
    host.setShiftDown(false);
}

}  // namespace
