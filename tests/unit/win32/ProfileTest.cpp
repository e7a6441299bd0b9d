#include <sys/stat.h>
#include <windows.h>

#include <string>

#include "TempFolder.h"

namespace {

class ProfileTest : public TempFolderTest {
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        ini_ = Path("test.ini");
    }

    std::string ReadString(const char *section, const char *key, const char *fallback = "none")
    {
        char buffer[64];
        GetPrivateProfileStringA(section, key, fallback, buffer, sizeof buffer, ini_.c_str());
        return buffer;
    }

    UINT ReadInt(const char *key, int fallback = 77)
    {
        return GetPrivateProfileIntA("S", key, fallback, ini_.c_str());
    }

    std::string ini_;
};

TEST_F(ProfileTest, MatchesSectionsAndKeysWithoutCaseAndTrimsBlanks)
{
    WriteText(ini_, "[Other]\r\nWidth=1\r\n  [ Main ]  \r\n\t Width \t=  wide  value \t\r\n; width=3\r\n");
    EXPECT_EQ(ReadString("MAIN", "width"), "wide  value");
    EXPECT_EQ(ReadString("other", "WIDTH"), "1");
    EXPECT_EQ(ReadString("main", "; width"), "none");
    EXPECT_EQ(ReadString("Missing", "Width"), "none");
}

TEST_F(ProfileTest, ReadsIntegersAsWindowsDoes)
{
    WriteText(ini_, "[S]\nmixed=12abc\nletters=abc\nminus=-1\nplus=+7\nhex=0x1F\nquoted=\"42\"\nempty=\n");
    EXPECT_EQ(ReadInt("mixed"), 12u);
    EXPECT_EQ(ReadInt("letters"), 0u);
    EXPECT_EQ(ReadInt("minus"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadInt("plus"), 7u);
    EXPECT_EQ(ReadInt("hex"), 31u);
    EXPECT_EQ(ReadInt("quoted"), 42u);
    EXPECT_EQ(ReadInt("empty"), 77u);
    EXPECT_EQ(ReadInt("missing", -5), static_cast<UINT>(-5));
    EXPECT_EQ(GetPrivateProfileIntA("S", "mixed", 9, Path("absent.ini").c_str()), 9u);
}

TEST_F(ProfileTest, StringsFallBackToTrimmedDefaultAndTruncate)
{
    WriteText(ini_, "[S]\nlong=abcdef\n");
    char buffer[4];
    EXPECT_EQ(GetPrivateProfileStringA("S", "long", "", buffer, sizeof buffer, ini_.c_str()), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(GetPrivateProfileStringA("S", "missing", "xy  ", buffer, sizeof buffer, ini_.c_str()), 2u);
    EXPECT_STREQ(buffer, "xy");
    EXPECT_EQ(GetPrivateProfileStringA("S", "missing", nullptr, buffer, sizeof buffer, ini_.c_str()), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "x", buffer, sizeof buffer, ini_.c_str()), 0u);
    EXPECT_STREQ(buffer, "");
}

TEST_F(ProfileTest, WriteRewritesInPlaceKeepingEverythingElse)
{
    WriteText(ini_, "; settings\n[A]\nKeep=1\nSize = 5\n\n[B]\nx=2\n");
    EXPECT_TRUE(WritePrivateProfileStringA("a", "SIZE", "6", ini_.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringA("A", "New", "n", ini_.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringA("C", "k", "v", ini_.c_str()));
    EXPECT_EQ(ReadText(ini_), "; settings\n[A]\nKeep=1\nSize=6\nNew=n\n\n[B]\nx=2\n[C]\nk=v\n");
}

TEST_F(ProfileTest, NullValueDeletesKeyAndNullKeyDeletesSection)
{
    WriteText(ini_, "[A]\r\na=1\r\nb=2\r\n[B]\r\nc=3\r\n[C]\r\nd=4\r\n");
    EXPECT_TRUE(WritePrivateProfileStringA("A", "A", nullptr, ini_.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringA("b", nullptr, nullptr, ini_.c_str()));
    EXPECT_EQ(ReadText(ini_), "[A]\r\nb=2\r\n[C]\r\nd=4\r\n");
}

TEST_F(ProfileTest, CreatesNewFileButNotItsFolder)
{
    const std::string nested = Path("missing/test.ini");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", nested.c_str()));
    EXPECT_FALSE(std::filesystem::exists(Path("missing")));

    EXPECT_TRUE(WritePrivateProfileStringA("S", "gone", nullptr, ini_.c_str()));
    EXPECT_FALSE(std::filesystem::exists(ini_));
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "v", ini_.c_str()));
    EXPECT_EQ(ReadText(ini_), "[S]\nk=v\n");
}

TEST_F(ProfileTest, ReplacesFileWithoutLeftoversKeepingItsMode)
{
    WriteText(ini_, "[S]\nk=1\n");
    ASSERT_EQ(chmod(ini_.c_str(), 0640), 0);
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "2", ini_.c_str()));
    struct stat status;
    ASSERT_EQ(stat(ini_.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), std::filesystem::directory_iterator()), 1);
}

TEST_F(ProfileTest, AcceptsBackslashSeparatedPaths)
{
    std::filesystem::create_directory(Path("sub"));
    const std::string windowsPath = folder_ + "\\sub\\test.ini";
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "42", windowsPath.c_str()));
    EXPECT_EQ(ReadText(Path("sub/test.ini")), "[S]\nk=42\n");
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 0, windowsPath.c_str()), 42u);
}

}  // namespace
