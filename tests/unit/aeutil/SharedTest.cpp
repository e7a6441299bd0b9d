// Reference-counted arrays and worlds: shared by copies, freed exactly once.
#include "AEWorldSuite.h"
#include "AEException.h"
#include "AE_EffectCBSuites.h"
#include "HostFixture.h"
#include "SharedArray.h"

namespace {

using AEUtil::EffectWorldPtr;
using AEUtil::SharedArray;
using AEUtil::WorldSuite;

struct CountingDeleter {
    int *deletions;
    void operator()(unsigned short *p) const
    {
        ++*deletions;
        delete[] p;
    }
};

class SharedArrayTest : public HostTest {};

TEST_F(SharedArrayTest, LastCopyFreesOnce)
{
    int deletions = 0;
    {
        SharedArray<unsigned short> first(new unsigned short[4], 4, CountingDeleter{&deletions});
        {
            SharedArray<unsigned short> second = first;
            EXPECT_EQ(first.useCount(), 2);
            EXPECT_EQ(second.get(), first.get());
        }
        EXPECT_EQ(deletions, 0);
        SharedArray<unsigned short> other;
        other = first;
        other = other;
        EXPECT_EQ(first.useCount(), 2);
    }
    EXPECT_EQ(deletions, 1);
}

TEST_F(SharedArrayTest, HostMemoryArrayReturnsItsHandle)
{
    {
        SharedArray<unsigned char> array = SharedArray<unsigned char>::allocateAE(basic(), 64);
        SharedArray<unsigned char> copy = array;
        array = SharedArray<unsigned char>();
        EXPECT_EQ(host.accounting().handles, 1);
        EXPECT_EQ(copy.size(), 64);
    }
    EXPECT_EQ(host.accounting().handles, 0);
}

class WorldSuiteTest : public HostTest {};

TEST_F(WorldSuiteTest, CopiesShareTheWorldAndTheLastDisposesIt)
{
    EffectWorldPtr first = WorldSuite::newWorld(inData(), 8, 4, true, PF_PixelFormat_ARGB128);
    ASSERT_TRUE(first);
    EffectWorldPtr second = first;
    EXPECT_EQ(second.get(), first.get());
    first.release();
    EXPECT_EQ(host.accounting().worlds, 1);
    EXPECT_EQ(second->width, 8);
    second.release();
    EXPECT_EQ(host.accounting().worlds, 0);
    second.release();
    EXPECT_EQ(host.accounting().badReleases, 0);
}

TEST_F(WorldSuiteTest, EveryFormatThroughVersion2)
{
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
        EffectWorldPtr world = WorldSuite::newWorld(inData(), 3, 2, true, format);
        PF_PixelFormat reported = 0;
        EXPECT_EQ(WorldSuite::getPixelFormat(inData(), world.get(), &reported), PF_Err_NONE);
        EXPECT_EQ(reported, format);
    }
}

TEST_F(WorldSuiteTest, WithoutVersion2DeepWorldsComeFromVersion1)
{
    host.refuseSuite(kPFWorldSuite, kPFWorldSuiteVersion2);
    EffectWorldPtr deep = WorldSuite::newWorld(inData(), 2, 2, true, PF_PixelFormat_ARGB64);
    EffectWorldPtr shallow = WorldSuite::newWorld(inData(), 2, 2, false, PF_PixelFormat_ARGB32);
    PF_PixelFormat format = 0;
    EXPECT_EQ(WorldSuite::getPixelFormat(inData(), deep.get(), &format), PF_Err_NONE);
    EXPECT_EQ(format, PF_PixelFormat_ARGB64);
    EXPECT_EQ(WorldSuite::getPixelFormat(inData(), shallow.get(), &format), PF_Err_NONE);
    EXPECT_EQ(format, PF_PixelFormat_ARGB32);
    // Cleared on request, left as the host had it otherwise.
    EXPECT_EQ(reinterpret_cast<PF_Pixel16 *>(deep->data)[0].alpha, 0);
    EXPECT_NE(reinterpret_cast<PF_Pixel8 *>(shallow->data)[0].alpha, 0);
}

TEST_F(WorldSuiteTest, FloatWorldWithoutVersion2IsAnError)
{
    host.refuseSuite(kPFWorldSuite, kPFWorldSuiteVersion2);
    try {
        WorldSuite::newWorld(inData(), 2, 2, true, PF_PixelFormat_ARGB128);
        FAIL() << "no exception";
    } catch (const AEUtil::AEException &e) {
        EXPECT_EQ(e.code(), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    }
}

TEST_F(WorldSuiteTest, HostFailureCarriesTheHostsCode)
{
    host.failNth(fxhost::Fault::NewWorld, 1, PF_Err_OUT_OF_MEMORY);
    try {
        WorldSuite::newWorld(inData(), 2, 2, true, PF_PixelFormat_ARGB64);
        FAIL() << "no exception";
    } catch (const AEUtil::AEException &e) {
        EXPECT_EQ(e.code(), PF_Err_OUT_OF_MEMORY);
        EXPECT_EQ(std::string(e.what()).rfind("..\\..\\..\\share\\AEUtil\\AEWorldSuite(151): ", 0), 0u);
    }
}

}  // namespace
