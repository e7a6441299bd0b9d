#include "pipeline/RenderFrame.h"

#include <algorithm>

#include "AEWorldSuite.h"
#include "AE_EffectCB.h"
#include "kernels/BoundaryBlur.h"
#include "kernels/Convert.h"
#include "kernels/EdgeSmoothing.h"
#include "kernels/Keying.h"
#include "kernels/Masked.h"
#include "kernels/Propagation.h"
#include "kernels/RegionBlur.h"
#include "pipeline/ColourKeys.h"
#include "pipeline/PixelMask.h"
#include "pipeline/ProgressCounter.h"
#include "pipeline/WorldOps.h"

namespace {

// What differs between the builds: 8-bit input is worked on in 16-bit copies.
template <class Pixel>
struct Depth;
template <>
struct Depth<PF_Pixel8> {
    using Working = PF_Pixel16;
    static constexpr PF_PixelFormat kWorkingFormat = PF_PixelFormat_ARGB64;
    static constexpr bool kWorkingCopies = true;
};
template <>
struct Depth<PF_Pixel16> {
    using Working = PF_Pixel16;
    static constexpr PF_PixelFormat kWorkingFormat = PF_PixelFormat_ARGB64;
    static constexpr bool kWorkingCopies = false;
};
template <>
struct Depth<PF_PixelFloat> {
    using Working = PF_PixelFloat;
    static constexpr PF_PixelFormat kWorkingFormat = PF_PixelFormat_ARGB128;
    static constexpr bool kWorkingCopies = false;
};

PF_Err SmoothEdges(PF_Pixel16 *, const SmoothingJob &job) { return SmoothEdges16(job); }
PF_Err SmoothEdges(PF_PixelFloat *, const SmoothingJob &job) { return SmoothEdgesFloat(job); }

// Edge smoothing runs for Base radii from 2 to 15 pixels and for process
// sizes above 1 up to 30; the blur alone would leave visible steps there.
constexpr double kSmoothMinimum = 2.0;
constexpr double kSmoothMaximum = 15.0;
constexpr double kPassSmoothAbove = 1.0;
constexpr double kPassSmoothMaximum = 30.0;

// A control's pixel size at this resolution: rounded, plus one.
double ScaledSize(double downsample, double size) { return static_cast<A_long>(downsample * size + 0.5) + 1.0; }

double Downsample(const PF_InData &in_data)
{
    auto factor = [](const PF_RationalScale &scale) {
        return static_cast<double>(scale.num) / static_cast<double>(scale.den);
    };
    return std::min(factor(in_data.downsample_x), factor(in_data.downsample_y));
}

// Steps run only while the frame's result is still 0; the first failure is
// the frame's result.
class StepRule {
public:
    template <class Step>
    void run(Step step)
    {
        if (result_ == PF_Err_NONE) result_ = step();
    }
    bool ok() const { return result_ == PF_Err_NONE; }
    PF_Err result() const { return result_; }

private:
    PF_Err result_ = PF_Err_NONE;
};

// The masks and worlds of one frame. They are released with the object, on
// every way out of the frame.
struct WorkingSet {
    PixelMask keyMatch, currentKeys, extractMask, regionMask, coverageMask, seedMask, passOpaque, nonKeyMask,
        allPixels;
    AEUtil::EffectWorldPtr sourceCopy, resultCopy, smoothSource, smoothedBase, passColour, passSmoothed, passResult,
        passScratch, spreadScratch, previousPass;
    PF_EffectWorld *workSource = nullptr;
    PF_EffectWorld *workResult = nullptr;

    WorkingSet(const RenderContext &context, PF_PixelFormat format, bool workingCopies)
    {
        PF_InData *in_data = context.in_data;
        const A_long width = context.area.right - context.area.left;
        const A_long height = context.area.bottom - context.area.top;
        for (PixelMask *mask : {&keyMatch, &currentKeys, &extractMask, &regionMask, &coverageMask, &seedMask,
                                &passOpaque, &nonKeyMask, &allPixels})
            mask->AllocateMask(in_data, width, height);
        for (PixelMask *mask : {&currentKeys, &extractMask, &regionMask, &coverageMask}) mask->FillMask(0);
        allPixels.FillMask(1);

        const A_long worldWidth = context.output->width;
        const A_long worldHeight = context.output->height;
        auto make = [&](bool clear) { return AEUtil::WorldSuite::newWorld(in_data, worldWidth, worldHeight, clear, format); };
        if (workingCopies) {
            sourceCopy = make(false);
            resultCopy = make(false);
        }
        smoothSource = make(false);
        smoothedBase = make(false);
        passColour = make(true);
        passSmoothed = make(true);
        passResult = make(true);
        passScratch = make(false);
        spreadScratch = make(false);
        previousPass = make(false);
        workSource = workingCopies ? sourceCopy.get() : context.input;
        workResult = workingCopies ? resultCopy.get() : context.output;
    }
};

template <class Pixel>
class FrameDriver {
    using Working = typename Depth<Pixel>::Working;

public:
    explicit FrameDriver(const RenderContext &context) : context_(context), in_data_(context.in_data) {}

    PF_Err Render()
    {
        if (context_.output->width != context_.input->width || context_.output->height != context_.input->height)
            return PF_Err_BAD_CALLBACK_PARAM;
        if (context_.area.right - context_.area.left == 0 || context_.area.bottom - context_.area.top == 0)
            return PF_Err_NONE;
        Normalise();
        steps_.run([&] { return CopyWorld(in_data_, context_.input, context_.output); });
        if (!steps_.ok()) return steps_.result();

        WorkingSet set(context_, Depth<Pixel>::kWorkingFormat, Depth<Pixel>::kWorkingCopies);
        ProgressCounter progress;
        progress.in_data = in_data_;
        progress.effect_ref = in_data_->effect_ref;
        progress.total = budget_;
        if (Depth<Pixel>::kWorkingCopies) {
            steps_.run([&] { return ConvertTo16(in_data_, context_.input, set.workSource, context_.area, set.allPixels, false); });
            steps_.run([&] { return ConvertTo16(in_data_, context_.output, set.workResult, context_.area, set.allPixels, false); });
        }
        BasePass(set, progress);
        if (context_.snapshot.view != kViewBase) {
            for (int k = 1; k <= 4; ++k) {
                ProcessPass(set, progress, k);
                if (k == context_.snapshot.view - 4) break;
            }
        }
        Output(set);
        // The budget counts more than the passes advance; a finished frame
        // shows the whole bar.
        steps_.run([&] { return progress.Finish(); });
        return steps_.result();
    }

private:
    // The driver's copy of the controls in the units the passes use.
    void Normalise()
    {
        downsample_ = Downsample(*in_data_);
        for (ProcessParams &block : context_.snapshot.blocks) {
            for (KeyColorParams &key : block.keys) key.range /= 100.0;
            block.boundaryBlur = ScaledSize(downsample_, block.boundaryBlur);
            if (block.enableProcess) budget_ += 3 * block.repeatCount + 1;
        }
    }

    void BasePass(WorkingSet &set, ProgressCounter &progress)
    {
        const ProcessParams &base = context_.snapshot.blocks[0];
        const double baseSize = ScaledSize(downsample_, base.blurAmount);
        bool smoothBase = kSmoothMinimum <= baseSize && baseSize <= kSmoothMaximum;

        KeyList keys;
        steps_.run([&] { return BuildBaseKeys(in_data_, base, &keys); });
        steps_.run([&] {
            return MaskFromKeys<Pixel>(in_data_, context_.input, context_.area, keys, 1, &set.keyMatch);
        });
        TakeMatchedKeys(set);

        if (smoothBase) {
            steps_.run([&] {
                return MaskedCopy<Working>(in_data_, set.workSource, set.smoothSource.get(), context_.area,
                                           set.currentKeys, true);
            });
            // The smoothing's own failures do not end the frame; the blur then
            // reads the unsmoothed pixels rather than whatever the failed
            // smoothing left behind.
            if (steps_.ok()) {
                const SmoothingJob job = SmoothingJob::ForRenderDriver(in_data_, Depth<Pixel>::kWorkingFormat,
                                                                       set.smoothSource.get(), set.smoothedBase.get());
                smoothBase = SmoothEdges(static_cast<Working *>(nullptr), job) == PF_Err_NONE;
            }
        }
        steps_.run([&] { return progress.Advance(); });
        steps_.run([&] {
            return RegionBlur<Working>(set.workResult, in_data_, PF_Iterations_ONCE_PER_PROCESSOR,
                                       smoothBase ? set.smoothedBase.get() : set.workSource, set.smoothSource.get(),
                                       context_.area, set.currentKeys, baseSize, base.repeatCount,
                                       base.keepDivision != 0, &progress);
        });
    }

    // The last key match becomes the block's keys and joins the unions of
    // every block run so far.
    static void TakeMatchedKeys(WorkingSet &set)
    {
        set.currentKeys.FillMask(0);
        set.currentKeys.MergeMask(set.keyMatch);
        for (PixelMask *mask : {&set.extractMask, &set.regionMask, &set.coverageMask}) mask->MergeMask(set.currentKeys);
    }

    // Process group k: spreads its colour into the neighbouring key areas,
    // smooths and feathers it, and lays it over the working result.
    void ProcessPass(WorkingSet &set, ProgressCounter &progress, int k)
    {
        ProcessParams &block = context_.snapshot.blocks[k];
        if (downsample_ < 1.0)
            block.boundaryBlur -= static_cast<A_long>((block.boundaryBlur + 4.0) * block.repeatCount / 80.0);
        const double passSize = block.boundaryBlur;
        // Cleared even for a disabled process, whose view then shows nothing.
        for (AEUtil::EffectWorldPtr *world :
             {&set.passColour, &set.passSmoothed, &set.passResult, &set.passScratch, &set.spreadScratch})
            steps_.run([&] { return ClearWorld(in_data_, world->get()); });
        if (!block.enableProcess) return;
        const bool smoothPass = passSize > kPassSmoothAbove && passSize <= kPassSmoothMaximum;
        const bool keepDivision = block.keepDivision != 0;

        KeyList keys;
        steps_.run([&] { return BuildProcessKeys(in_data_, block, &keys); });
        steps_.run([&] {
            return MaskFromKeys<Pixel>(in_data_, context_.input, context_.area, keys, 1, &set.keyMatch);
        });
        TakeMatchedKeys(set);
        keys.clear();
        set.seedMask.FillMask(0);
        set.seedMask.MergeMask(set.keyMatch);

        steps_.run([&] {
            return PropagateColour<Working>(set.workSource, set.passColour.get(), set.spreadScratch.get(), in_data_,
                                            context_.area, set.seedMask, set.regionMask, passSize, keepDivision);
        });
        steps_.run([&] {
            return MaskFromAlpha<Working>(in_data_, set.passColour.get(), context_.area, 1, &set.passOpaque);
        });
        if (smoothPass) SmoothPassColour(set);
        steps_.run([&] { return progress.Advance(); });

        const bool keepPrevious = block.keepProcess != 0 && passRan_;
        set.nonKeyMask.FillMask(0);
        set.nonKeyMask.MergeMask(set.keyMatch);
        set.nonKeyMask.InvertMask();
        steps_.run([&] {
            return BoundaryBlur<Working>(set.passResult.get(), in_data_, PF_Iterations_ONCE_PER_PROCESSOR,
                                         set.passColour.get(), set.passScratch.get(), context_.area, set.regionMask,
                                         set.currentKeys, passSize * 0.5, block.repeatCount, keepDivision, &progress);
        });
        passRan_ = true;
        steps_.run([&] {
            return BoundaryBias<Working>(in_data_, set.passResult.get(), context_.area, set.nonKeyMask,
                                         block.boundaryBias);
        });
        if (keepPrevious) {
            steps_.run([&] {
                return ClearAlphaOutside<Working>(in_data_, set.passResult.get(), context_.area, set.coverageMask);
            });
            steps_.run([&] {
                return MultiplyAlphaOutside<Working>(in_data_, set.passResult.get(), set.previousPass.get(),
                                                     context_.area, set.keyMatch);
            });
        }
        steps_.run([&] { return CopyWorld(in_data_, set.passResult.get(), set.previousPass.get()); });
        steps_.run([&] { return ColourOver<Working>(in_data_, set.workResult, set.passResult.get(), context_.area); });
        steps_.run([&] {
            return MaskFromAlpha<Working>(in_data_, set.passResult.get(), context_.area, 1, &set.coverageMask);
        });
    }

    // Smooths the stair steps of the spread colour; the pixels of the process
    // colour itself keep their value. The smoothing's own failures do not end
    // the frame: the pass then goes on with the unsmoothed colour rather than
    // whatever the failed smoothing left behind.
    void SmoothPassColour(WorkingSet &set)
    {
        steps_.run([&] {
            return MaskedCopy<Working>(in_data_, set.passColour.get(), set.smoothSource.get(), context_.area,
                                       set.passOpaque, true);
        });
        if (!steps_.ok()) return;
        const SmoothingJob job = SmoothingJob::ForRenderDriver(in_data_, Depth<Pixel>::kWorkingFormat,
                                                               set.smoothSource.get(), set.passSmoothed.get());
        if (SmoothEdges(static_cast<Working *>(nullptr), job) != PF_Err_NONE) return;
        steps_.run([&] {
            return MaskedCopyRows<Working>(in_data_, set.passColour.get(), set.passSmoothed.get(), context_.area,
                                           set.keyMatch);
        });
        steps_.run([&] { return CopyWorld(in_data_, set.passSmoothed.get(), set.passColour.get()); });
    }

    void Output(WorkingSet &set)
    {
        const A_long view = context_.snapshot.view;
        if (Depth<Pixel>::kWorkingCopies)
            steps_.run([&] { return ConvertTo8(in_data_, set.workResult, context_.output, context_.area, set.allPixels, false); });
        if (view == kViewExtract) {
            steps_.run([&] { return ClearAlphaOutside<Pixel>(in_data_, context_.output, context_.area, set.extractMask); });
        } else if (view == kViewBase) {
            steps_.run([&] { return ClearAlphaOutside<Pixel>(in_data_, context_.output, context_.area, set.currentKeys); });
        } else if (view >= kViewProcess1 && view <= kViewProcess4) {
            if (Depth<Pixel>::kWorkingCopies)
                steps_.run([&] { return ConvertTo8(in_data_, set.passResult.get(), context_.output, context_.area, set.allPixels, false); });
            else
                steps_.run([&] { return CopyWorld(in_data_, set.passResult.get(), context_.output); });
        }
    }

    RenderContext context_;
    PF_InData *in_data_;
    StepRule steps_;
    double downsample_ = 1.0;
    A_long budget_ = 0;
    bool passRan_ = false;  // a process pass of this frame has reached its boundary blur
};

}  // namespace

template <class Pixel>
PF_Err RenderFrame(const RenderContext &context)
{
    return FrameDriver<Pixel>(context).Render();
}

template PF_Err RenderFrame<PF_Pixel8>(const RenderContext &);
template PF_Err RenderFrame<PF_Pixel16>(const RenderContext &);
template PF_Err RenderFrame<PF_PixelFloat>(const RenderContext &);
