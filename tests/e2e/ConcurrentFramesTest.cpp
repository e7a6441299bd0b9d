// Several frames at once through one applied effect, each its own smart
// pre-render and render on a host thread of its own, as a host's
// multi-frame rendering does with a thread-safe effect.
#include <atomic>
#include <thread>
#include <vector>

#include "CelRender.h"

namespace {

class ConcurrentFrames : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        effect->setValue("Color 1 Range", 30.0);
        effect->setValue("Blur Amount", 6.0);
        effect->setValue("2 : Enable Process", 1);
        effect->setColour("2 : Color", cel::kFill);
        for (int frame = 0; frame < kFrames; ++frame) {
            fxhost::World eight(40 + frame * 3, 30, PF_PixelFormat_ARGB32);
            cel::DrawCel(eight);
            inputs.push_back(cel::AtDepth(eight, kFormats[frame % 3]));
        }
    }

    static constexpr int kFrames = 6;
    static constexpr PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};
    std::vector<fxhost::World> inputs;
};

TEST_F(ConcurrentFrames, GiveTheFramesOfOneAtATime)
{
    std::vector<fxhost::World> alone;
    for (const fxhost::World &input : inputs) alone.push_back(Render(input));

    host.setThreadCount(2);
    host.setConcurrentFrames(3);
    std::vector<fxhost::World> together;
    for (const fxhost::World &input : inputs) together.emplace_back(input.width(), input.height(), input.format());
    std::vector<PF_Err> results(kFrames, PF_Err_NONE);
    std::vector<std::thread> threads;
    for (int frame = 0; frame < kFrames; ++frame)
        threads.emplace_back([&, frame] { results[frame] = TryRender(inputs[frame], &together[frame]); });
    for (std::thread &thread : threads) thread.join();
    for (int frame = 0; frame < kFrames; ++frame) {
        EXPECT_EQ(results[frame], PF_Err_NONE) << frame;
        EXPECT_TRUE(together[frame].samePixels(alone[frame])) << frame;
    }
    EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
}

TEST_F(ConcurrentFrames, ACancelEndsEveryFrameRenderingAndTheNextFrameRenders)
{
    host.setConcurrentFrames(kFrames);
    // Every frame waits at its first progress call until all have started,
    // then one of them cancels.
    std::atomic<int> started{0};
    fxhost::RenderOptions options;
    options.progress = [&](A_long, A_long) {
        static thread_local bool counted = false;
        if (!counted) {
            counted = true;
            if (++started == kFrames) host.requestCancel();
        }
        while (started < kFrames) std::this_thread::yield();
    };
    std::vector<PF_Err> results(kFrames, PF_Err_NONE);
    std::vector<std::thread> threads;
    for (int frame = 0; frame < kFrames; ++frame)
        threads.emplace_back([&, frame] {
            fxhost::World output(1, 1, PF_PixelFormat_ARGB32);
            results[frame] = TryRender(inputs[frame], &output, options);
        });
    for (std::thread &thread : threads) thread.join();
    for (int frame = 0; frame < kFrames; ++frame) EXPECT_EQ(results[frame], PF_Interrupt_CANCEL) << frame;
    EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();

    // The request is spent: the next frame renders.
    fxhost::World output(1, 1, PF_PixelFormat_ARGB32);
    EXPECT_EQ(TryRender(inputs[0], &output), PF_Err_NONE);
}

}  // namespace
