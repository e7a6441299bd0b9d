// The pre-render request: passed through unchanged, rectangles merged.
#include "BaseFilter.h"
#include "HostFixture.h"

namespace {

class PreRender : public HostTest {
protected:
    // Runs the checkout with the host's rectangles pre-filled as given; the
    // layer is 10 x 8, so the checkout reports the request clipped to it.
    PF_PreRenderOutput Checkout(PF_LRect request, PF_LRect result, PF_LRect maxResult)
    {
        context.frame.frame.input = layer.get();
        PF_PreRenderInput in{};
        in.output_request.rect = request;
        PF_PreRenderOutput out{};
        out.result_rect = result;
        out.max_result_rect = maxResult;
        PF_PreRenderCallbacks callbacks = {checkoutLayer};
        PF_PreRenderExtra extra{&in, &out, &callbacks};
        CustomFilter filter;
        EXPECT_EQ(filter.PreRenderCheckout(inData(), nullptr, &extra, nullptr), PF_Err_NONE);
        return out;
    }

    static PF_Err RecordRequest(PF_ProgPtr, PF_ParamIndex index, A_long id, const PF_RenderRequest *req, A_long,
                                A_long, A_u_long, PF_CheckoutResult *result)
    {
        EXPECT_EQ(index, 0);
        EXPECT_EQ(id, 0);
        *result = PF_CheckoutResult{};
        result->result_rect = req->rect;
        result->max_result_rect = PF_LRect{0, 0, 10, 8};
        return PF_Err_NONE;
    }

    fxhost::World layer{10, 8, PF_PixelFormat_ARGB32};
    decltype(PF_PreRenderCallbacks::checkout_layer) checkoutLayer = RecordRequest;
};

bool operator==(const PF_LRect &a, const PF_LRect &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(PreRender, EmptyResultTakesTheCheckoutRectangle)
{
    PF_PreRenderOutput out = Checkout({1, 2, 5, 6}, {0, 0, 0, 0}, {3, 3, 3, 9});
    EXPECT_TRUE(out.result_rect == (PF_LRect{1, 2, 5, 6}));
    EXPECT_TRUE(out.max_result_rect == (PF_LRect{0, 0, 10, 8}));
}

TEST_F(PreRender, NonEmptyResultWidensToTheUnion)
{
    PF_PreRenderOutput out = Checkout({1, 2, 5, 6}, {3, 0, 7, 4}, {-2, 1, 4, 12});
    EXPECT_TRUE(out.result_rect == (PF_LRect{1, 0, 7, 6}));
    EXPECT_TRUE(out.max_result_rect == (PF_LRect{-2, 0, 10, 12}));
}

TEST_F(PreRender, EmptyCheckoutLeavesTheResultAsItWas)
{
    PF_PreRenderOutput out = Checkout({4, 4, 4, 6}, {3, 0, 7, 4}, {0, 0, 0, 0});
    EXPECT_TRUE(out.result_rect == (PF_LRect{3, 0, 7, 4}));
}

TEST_F(PreRender, RenderDepthDispatchesOnlyTheThreeFormats)
{
    RenderContext context;
    RenderContext::Initialise(&context);
    EXPECT_EQ(context.pixelFormat, static_cast<PF_PixelFormat>(PF_PixelFormat_INVALID));
    CustomFilter custom;
    BaseFilter base;
    EXPECT_EQ(custom.RenderDepth(&context), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_EQ(base.RenderDepth(&context), PF_Err_INTERNAL_STRUCT_DAMAGED);
}

}  // namespace
