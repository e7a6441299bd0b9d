// Frames through the smart and the classic render commands, at every depth.
#include "AE_EffectCBSuites.h"
#include "ModuleFixture.h"
#include "Pixels.h"

namespace {

class RenderEntry : public ModuleTest, public ::testing::WithParamInterface<std::tuple<PF_PixelFormat, bool>> {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        effect->apply();
        applied = host.accounting();
    }
    fxhost::Accounting applied;
    PF_PixelFormat Format() const { return std::get<0>(GetParam()); }
    fxhost::RenderOptions Options() const
    {
        fxhost::RenderOptions options;
        options.smart = std::get<1>(GetParam());
        return options;
    }
};

TEST_P(RenderEntry, DefaultFrameRendersAndHandsEverythingBack)
{
    fxhost::World input(9, 7, Format()), output(9, 7, Format());
    testpixels::FillPattern(input);
    fxhost::CommandResult result = effect->render(input, output, Options());
    EXPECT_EQ(result.err, PF_Err_NONE) << result.message();
    EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
}

TEST_P(RenderEntry, DifferentSizesFailWithoutWriting)
{
    fxhost::World input(9, 7, Format()), output(9, 8, Format()), untouched(9, 8, Format());
    testpixels::FillPattern(input, 1);
    testpixels::FillPattern(output, 2);
    testpixels::FillPattern(untouched, 2);
    EXPECT_EQ(effect->render(input, output, Options()).err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(output.samePixels(untouched));
}

TEST_P(RenderEntry, UnsupportedFormatFailsWithoutWriting)
{
    const PF_PixelFormat yuv = MAKE_PIXEL_FORMAT_FOURCC('y', 'u', 'v', 'a');
    fxhost::World input(4, 4, yuv, 4), output(4, 4, yuv, 4), untouched(4, 4, yuv, 4);
    EXPECT_EQ(effect->render(input, output, Options()).err, PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_TRUE(output.samePixels(untouched));
}

TEST_P(RenderEntry, MissingCopySuiteEndsTheFrameWithItsCode)
{
    fxhost::World input(4, 4, Format()), output(4, 4, Format());
    host.refuseSuite(kPFWorldTransformSuite, 1);
    fxhost::CommandResult result = effect->render(input, output, Options());
    EXPECT_EQ(result.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(result.message(), "error code = 516\nPF_Err_BAD_CALLBACK_PARAM");
}

TEST_P(RenderEntry, FailedParameterCheckoutEndsTheFrame)
{
    fxhost::World input(4, 4, Format()), output(4, 4, Format()), untouched(4, 4, Format());
    host.failNth(fxhost::Fault::CheckoutParam, 4, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(effect->render(input, output, Options()).err, PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(output.samePixels(untouched));
}

INSTANTIATE_TEST_SUITE_P(DepthsAndPaths, RenderEntry,
                         ::testing::Combine(::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                                              PF_PixelFormat_ARGB128),
                                            ::testing::Bool()));

class SmartRender : public ModuleTest {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        effect->apply();
        applied = host.accounting();
        testpixels::FillPattern(input);
    }
    fxhost::Accounting applied;
    fxhost::World input{6, 5, PF_PixelFormat_ARGB64};
    fxhost::World output{6, 5, PF_PixelFormat_ARGB64};
    fxhost::World untouched{6, 5, PF_PixelFormat_ARGB64};
};

TEST_F(SmartRender, FailedOutputCheckoutRendersNothing)
{
    host.failNth(fxhost::Fault::CheckoutOutput, 1, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(effect->render(input, output).err, PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(output.samePixels(untouched));
}

TEST_F(SmartRender, FailuresBeforeTheRenderReleaseThePreRenderData)
{
    for (fxhost::Fault fault :
         {fxhost::Fault::CheckoutLayer, fxhost::Fault::CheckoutLayerPixels, fxhost::Fault::HandleAllocation}) {
        host.failNth(fault, 1, PF_Err_OUT_OF_MEMORY);
        EXPECT_NE(effect->render(input, output).err, PF_Err_NONE);
        EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
        host.clearFaults();
    }
    host.failNth(fxhost::Fault::HandleLock, 1);
    EXPECT_EQ(effect->render(input, output).err, PF_Err_INTERNAL_STRUCT_DAMAGED);
}

TEST_F(SmartRender, EmptyAreaSucceedsWithoutWriting)
{
    fxhost::RenderOptions options;
    options.smart = false;
    options.area = PF_LRect{2, 1, 2, 4};
    EXPECT_EQ(effect->render(input, output, options).err, PF_Err_NONE);
    EXPECT_TRUE(output.samePixels(untouched));
}

TEST_F(SmartRender, PremiereClassicRenderCopiesWithoutReadingControls)
{
    host.setApplicationId(fxhost::ApplicationId('P', 'r', 'M', 'r'));
    host.failAlways(fxhost::Fault::CheckoutParam, PF_Err_OUT_OF_MEMORY);
    fxhost::RenderOptions classic;
    classic.smart = false;
    EXPECT_EQ(effect->render(input, output, classic).err, PF_Err_NONE);
    EXPECT_TRUE(output.samePixels(input));
}

}  // namespace
