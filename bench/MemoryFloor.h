// The memory floor of the default 8-bit 1080p frame: the whole-world copies,
// clears and conversions that frame does, with plain memcpy, memset and
// widening or narrowing loops on worlds of the same size, on one thread. The
// frame cannot take less than this.
//
// Per frame: the host fills ten new 16-bit worlds (seven with its pattern for
// pixels never written, three cleared); the effect copies the input to the
// output, widens both to 16 bits, makes two masked copies that clear the rest
// of the world, two copies inside edge smoothing and two more copies, clears
// the five pass worlds at the start of each of the four process passes (the
// Normal view runs all four, and a disabled process clears them too), and
// narrows the result back into the output.
#pragma once

#include <cstring>
#include <vector>

#include "Frames.h"

namespace floorwork {

inline void Copy(const fxhost::World &from, fxhost::World &to)
{
    const size_t bytes = static_cast<size_t>(from.width()) * static_cast<size_t>(from.bytesPerPixel());
    for (A_long y = 0; y < from.height(); ++y) std::memcpy(to.row<uint8_t>(y), from.row<uint8_t>(y), bytes);
}

inline void Fill(fxhost::World &world, uint8_t value)
{
    std::memset(world.get()->data, value, static_cast<size_t>(world.get()->rowbytes) * world.height());
}

inline void WidenWorld(const fxhost::World &from, fxhost::World &to)
{
    for (A_long y = 0; y < from.height(); ++y) {
        const PF_Pixel8 *in = from.row<PF_Pixel8>(y);
        PF_Pixel16 *out = to.row<PF_Pixel16>(y);
        for (A_long x = 0; x < from.width(); ++x) out[x] = Widen<PF_Pixel16>(in[x]);
    }
}

inline void NarrowWorld(const fxhost::World &from, fxhost::World &to)
{
    const auto narrow = [](A_u_short v) { return static_cast<A_u_char>((v * 255 + 16384) >> 15); };
    for (A_long y = 0; y < from.height(); ++y) {
        const PF_Pixel16 *in = from.row<PF_Pixel16>(y);
        PF_Pixel8 *out = to.row<PF_Pixel8>(y);
        for (A_long x = 0; x < from.width(); ++x)
            out[x] = {narrow(in[x].alpha), narrow(in[x].red), narrow(in[x].green), narrow(in[x].blue)};
    }
}

}  // namespace floorwork

// The worlds of the floor, made once; Run does one frame's memory work.
class MemoryFloorWork {
public:
    MemoryFloorWork()
        : input_(CelFrame<PF_Pixel8>(PF_PixelFormat_ARGB32)), output_(kFrameWidth, kFrameHeight, PF_PixelFormat_ARGB32)
    {
        for (int i = 0; i < 10; ++i) worlds_.emplace_back(kFrameWidth, kFrameHeight, PF_PixelFormat_ARGB64);
    }

    void Run()
    {
        using namespace floorwork;
        fxhost::World &source = worlds_[0], &result = worlds_[1], &scratch = worlds_[2], &smoothed = worlds_[3];
        for (int i = 0; i < 10; ++i) Fill(worlds_[i], i < 7 ? 0xA5 : 0);
        Copy(input_, output_);
        WidenWorld(input_, source);
        WidenWorld(output_, result);
        for (int pass = 0; pass < 2; ++pass) {
            Copy(source, scratch);    // the masked copy that feeds edge smoothing
            Copy(scratch, smoothed);  // edge smoothing's own copy
        }
        for (int pass = 0; pass < 4; ++pass)
            for (int i = 5; i < 10; ++i) Fill(worlds_[i], 0);  // the pass worlds
        Copy(smoothed, worlds_[5]);  // the smoothed pass colour back
        Copy(worlds_[6], worlds_[4]);  // the pass result kept for Keep Process
        NarrowWorld(result, output_);
        benchmark::DoNotOptimize(output_.get()->data);
        benchmark::ClobberMemory();
    }

private:
    const fxhost::World input_;
    fxhost::World output_;
    std::vector<fxhost::World> worlds_;
};
