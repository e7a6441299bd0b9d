// Suites acquired on first use and released once; exceptions and their texts.
#include "AEException.h"
#include "HostFixture.h"
#include "SuiteCache.h"

namespace {

class SuiteCacheTest : public HostTest {};

TEST_F(SuiteCacheTest, AcquiresOnceAndReleasesOnce)
{
    {
        AEUtil::SuiteCache suites(basic());
        const PF_HandleSuite1 *first = suites.handleSuite();
        EXPECT_EQ(suites.handleSuite(), first);
        EXPECT_EQ(host.acquisitions(kPFHandleSuite, 2), 1);
        EXPECT_EQ(host.releases(kPFHandleSuite, 2), 0);
    }
    EXPECT_EQ(host.releases(kPFHandleSuite, 2), 1);
    EXPECT_EQ(host.acquisitions(kPFFillMatteSuite, 2), 0);
}

TEST_F(SuiteCacheTest, RefusedSuiteThrowsTheBareCodeAndReleasesTheOthers)
{
    host.refuseSuite(kPFFillMatteSuite, 2);
    try {
        AEUtil::SuiteCache suites(basic());
        suites.worldTransformSuite();
        suites.fillMatteSuite();
        FAIL() << "no exception";
    } catch (PF_Err code) {
        EXPECT_EQ(code, PF_Err_BAD_CALLBACK_PARAM);
    }
    EXPECT_EQ(host.releases(kPFWorldTransformSuite, 1), 1);
}

TEST_F(SuiteCacheTest, NoBasicSuiteThrowsTheBareCode)
{
    EXPECT_THROW(AEUtil::SuiteCache(nullptr), PF_Err);
}

TEST(AEException, TextStartsWithTheSourceLocation)
{
    AEUtil::AEException plain(4, 45, "P", "no placeholders");
    EXPECT_EQ(plain.code(), 4);
    EXPECT_STREQ(plain.what(), "P(45): no placeholders");
    AEUtil::AEException formatted(516, 7, "dir\\file", "size=%d", 12);
    EXPECT_STREQ(formatted.what(), "dir\\file(7): size=12");
    AEUtil::AEException copy = formatted;
    EXPECT_EQ(copy.code(), 516);
    EXPECT_STREQ(copy.what(), formatted.what());
}

}  // namespace
