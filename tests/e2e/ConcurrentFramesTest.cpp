// Several frames at once through one applied effect, each its own smart
// pre-render and render on a host thread of its own, as a host's
// multi-frame rendering does with a thread-safe effect.
#include <atomic>
#include <memory>
#include <string>
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

TEST_F(ConcurrentFrames, EightLayersOnFourHostThreadsGiveTheirSerialFrames)
{
    // Eight layers, each with the effect applied and controls of its own,
    // at every depth; four host threads take the frames as they come.
    constexpr int kLayers = 8;
    constexpr int kHostThreads = 4;
    std::vector<std::unique_ptr<fxhost::Effect>> layers;
    std::vector<fxhost::World> frames;
    for (int k = 0; k < kLayers; ++k) {
        layers.push_back(std::make_unique<fxhost::Effect>(host, *module));
        fxhost::Effect &layer = *layers.back();
        layer.apply();
        layer.setValue("Blur Amount", 2.0 + 3.5 * k);
        layer.setValue("Color 1 Range", 5.0 + 4 * k);
        layer.setValue("Keep Division", k % 2);
        const std::string group = std::to_string(1 + k % 4) + " : ";
        layer.setValue(group + "Enable Process", 1);
        layer.setColour(group + "Color", k % 2 ? cel::kLine : cel::kFill);
        layer.setValue(group + "Boundary Blur", 1.0 + k);
        layer.setValue(group + "Boundary Bias", 5.0 * k);
        layer.setValue("View", k == 6 ? 3 : 1);
        fxhost::World eight(34 + 3 * k, 22 + k, PF_PixelFormat_ARGB32);
        cel::DrawCel(eight);
        frames.push_back(cel::AtDepth(eight, kFormats[k % 3]));
    }
    const auto render = [&](int k, fxhost::World &output) {
        fxhost::World input = cel::Copy(frames[k]);
        output = fxhost::World(input.width(), input.height(), input.format());
        return layers[k]->render(input, output).err;
    };

    host.setThreadCount(2);
    std::vector<fxhost::World> serial;
    for (int k = 0; k < kLayers; ++k) {
        serial.emplace_back(1, 1, PF_PixelFormat_ARGB32);
        ASSERT_EQ(render(k, serial[k]), PF_Err_NONE) << k;
    }

    host.setConcurrentFrames(kHostThreads);
    std::vector<fxhost::World> together;
    for (int k = 0; k < kLayers; ++k) together.emplace_back(1, 1, PF_PixelFormat_ARGB32);
    std::vector<PF_Err> results(kLayers, PF_Err_NONE);
    std::atomic<int> nextFrame{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kHostThreads; ++t)
        threads.emplace_back([&] {
            for (int k = nextFrame++; k < kLayers; k = nextFrame++) results[k] = render(k, together[k]);
        });
    for (std::thread &thread : threads) thread.join();
    for (int k = 0; k < kLayers; ++k) {
        EXPECT_EQ(results[k], PF_Err_NONE) << k;
        EXPECT_TRUE(together[k].samePixels(serial[k])) << k;
    }
    layers.clear();
    EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
}

}  // namespace
