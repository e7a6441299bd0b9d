// Image files in and out of host worlds, with pixel values exactly as stored:
// no premultiplication and no colour management.
#pragma once

#include <memory>
#include <string>

#include "fxhost/World.h"

enum class FileDepth { Eight, Sixteen, Float };

struct LoadedImage {
    std::unique_ptr<fxhost::World> world;  // at the requested render depth
    FileDepth fileDepth;
};

// Reads an image into a world of `renderFormat`, or of the file's own depth
// when renderFormat is 0. 16-bit samples map to the effect's 0..32768 scale;
// files without alpha get full alpha. Throws std::runtime_error.
LoadedImage ReadImage(const std::string &path, PF_PixelFormat renderFormat);

// Writes a world to a file whose format follows the extension, at the depth
// asked for where the format has it (PNG: 8 or 16 bits; EXR: float; JPEG: 8
// bits). The file appears whole or not at all. Throws std::runtime_error.
void WriteImage(const std::string &path, const fxhost::World &world, FileDepth depth);

PF_PixelFormat WorldFormatFor(FileDepth depth);
