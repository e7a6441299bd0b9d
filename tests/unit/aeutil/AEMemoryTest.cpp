// Memory blocks in host handles.
#include <cstring>
#include <string>

#include "AEException.h"
#include "AE_EffectCBSuites.h"
#include "AEMemory.h"
#include "HostFixture.h"

namespace {

using AEUtil::AEException;
using AEUtil::AEMemory;
using AEUtil::BlockHeader;

class AEMemoryTest : public HostTest {};

TEST_F(AEMemoryTest, ZeroBytesOrNoBasicSuiteTouchNothing)
{
    EXPECT_EQ(AEMemory::alloc(0, basic()), nullptr);
    EXPECT_EQ(AEMemory::alloc(16, nullptr), nullptr);
    AEMemory::free(nullptr, basic());
    EXPECT_EQ(host.acquisitions(kPFHandleSuite, 2), 0);
}

TEST_F(AEMemoryTest, BlockSitsBehindItsHeaderInOneLockedHandle)
{
    void *block = AEMemory::alloc(100, basic());
    ASSERT_NE(block, nullptr);
    const BlockHeader &header = *(static_cast<BlockHeader *>(block) - 1);
    EXPECT_EQ(host.handleBytes(header.handle).size(), 132u);
    EXPECT_EQ(header.lockCount, 1u);
    EXPECT_EQ(header.size, 100u);
    EXPECT_EQ(header.reserved, 0u);
    EXPECT_EQ(host.accounting().handles, 1);
    std::memset(block, 0x5A, 100);
    AEMemory::free(block, basic());
    EXPECT_EQ(host.accounting().handles, 0);
    EXPECT_EQ(host.acquisitions(kPFHandleSuite, 2), host.releases(kPFHandleSuite, 2));
}

TEST_F(AEMemoryTest, NoHandleThrowsOutOfMemoryWithLocation)
{
    host.failNth(fxhost::Fault::HandleAllocation, 1);
    try {
        AEMemory::alloc(100, basic());
        FAIL() << "no exception";
    } catch (const AEException &e) {
        EXPECT_EQ(e.code(), PF_Err_OUT_OF_MEMORY);
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("..\\..\\..\\share\\AEUtil\\AEMemory(45): ", 0), 0u) << text;
        const std::string tail = "alloc_size=132\n";
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
}

TEST_F(AEMemoryTest, UnlockableHandleIsDisposedAndReported)
{
    host.failNth(fxhost::Fault::HandleLock, 1);
    try {
        AEMemory::alloc(8, basic());
        FAIL() << "no exception";
    } catch (const AEException &e) {
        EXPECT_EQ(e.code(), PF_Err_OUT_OF_MEMORY);
        EXPECT_NE(std::string(e.what()).find("AEMemory(56): "), std::string::npos);
    }
    EXPECT_EQ(host.accounting().handles, 0);
}

TEST_F(AEMemoryTest, MissingHandleSuiteThrowsTheBareCode)
{
    host.refuseSuite(kPFHandleSuite, 2);
    try {
        AEMemory::alloc(8, basic());
        FAIL() << "no exception";
    } catch (PF_Err code) {
        EXPECT_EQ(code, PF_Err_BAD_CALLBACK_PARAM);
    }
}

TEST_F(AEMemoryTest, FreeWithoutTheHandleSuiteNeitherThrowsNorTouchesTheBlock)
{
    // Blocks are freed by destructors, so a refused suite must not escape
    // as an exception; the block stays with the host.
    void *block = AEMemory::alloc(24, basic());
    const PF_Handle handle = (static_cast<BlockHeader *>(block) - 1)->handle;
    host.refuseSuite(kPFHandleSuite, 2);
    EXPECT_NO_THROW(AEMemory::free(block, basic()));
    EXPECT_EQ(host.accounting().handles, 1);
    EXPECT_EQ(host.handleBytes(handle).size(), 56u);
    host.clearFaults();
    AEMemory::free(block, basic());
    EXPECT_EQ(host.accounting().handles, 0);
}

TEST_F(AEMemoryTest, SizesBeyond32BitsAreNotWrapped)
{
    // A request that would wrap to a small size in 32-bit arithmetic must be
    // refused as a whole, never handed out as a tiny block.
    host.failNth(fxhost::Fault::HandleAllocation, 1);
    try {
        AEMemory::alloc(0xFFFFFFF0u, basic());
        FAIL() << "no exception";
    } catch (const AEException &e) {
        EXPECT_NE(std::string(e.what()).find("alloc_size=4294967312\n"), std::string::npos) << e.what();
    }
}

}  // namespace
