// Whole-world copies and clears through the host's suites.
#include "AE_EffectCBSuites.h"
#include "HostFixture.h"
#include "Pixels.h"
#include "pipeline/WorldOps.h"

namespace {

class WorldOps : public HostTest {};

TEST_F(WorldOps, CopyTakesEveryPixelAtEitherQuality)
{
    for (PF_Quality quality : {PF_Quality_LO, PF_Quality_HI}) {
        host.setQuality(quality);
        host.prepareInData(context.in_data, &context.frame);
        fxhost::World source(5, 3, PF_PixelFormat_ARGB128), destination(5, 3, PF_PixelFormat_ARGB128);
        testpixels::FillPattern(source);
        EXPECT_EQ(CopyWorld(inData(), source.get(), destination.get()), PF_Err_NONE);
        EXPECT_TRUE(destination.samePixels(source));
    }
}

TEST_F(WorldOps, ClearLeavesTransparentBlack)
{
    fxhost::World world(4, 6, PF_PixelFormat_ARGB64), cleared(4, 6, PF_PixelFormat_ARGB64);
    testpixels::FillPattern(world);
    EXPECT_EQ(ClearWorld(inData(), world.get()), PF_Err_NONE);
    EXPECT_TRUE(world.samePixels(cleared));
}

TEST_F(WorldOps, MissingSuitesThrowTheBareCode)
{
    fxhost::World world(2, 2, PF_PixelFormat_ARGB32);
    host.refuseSuite(kPFFillMatteSuite, 2);
    host.refuseSuite(kPFWorldTransformSuite, 1);
    EXPECT_THROW(ClearWorld(inData(), world.get()), PF_Err);
    EXPECT_THROW(CopyWorld(inData(), world.get(), world.get()), PF_Err);
}

}  // namespace
