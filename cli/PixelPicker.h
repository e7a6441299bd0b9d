// The pixels of an input image as the effect's keying sees them, for
// `sallow pick` and for colours given as "@X,Y".
#pragma once

#include <memory>
#include <string>

#include "ControlValues.h"
#include "ImageFile.h"

class PixelPicker {
public:
    // The first image of `path` at `renderFormat` (0: the file's depth),
    // read when a pixel is first asked for.
    PixelPicker(std::string path, PF_PixelFormat renderFormat);

    fxhost::World &world();
    // Throws UsageError naming the image's size for a pixel outside it.
    void checkInside(long x, long y);
    // The 8-bit colour, alpha 255, that the effect converts to hue,
    // lightness and saturation for this pixel: 16-bit channels as
    // (v x 255 + 16384) >> 15, floats as trunc(v x 255 + 0.5) in double, low
    // eight bits kept.
    PF_Pixel keyColour(long x, long y);
    // The alpha is 0: the pixel matches no key.
    bool transparent(long x, long y);
    // The pixel's channels as the effect works on them: "alpha 32768 red ...".
    std::string workingValues(long x, long y);
    // keyColour of a pixel inside the image, for "@X,Y" settings.
    PixelSource source();

private:
    std::string path_;
    PF_PixelFormat format_;
    std::unique_ptr<fxhost::World> world_;
};
