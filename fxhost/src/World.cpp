#include "fxhost/World.h"

#include <cstring>
#include <stdexcept>

namespace fxhost {

namespace {
constexpr A_long kRowSlackPixels = 3;
}  // namespace

int BytesPerPixel(PF_PixelFormat format)
{
    switch (format) {
    case PF_PixelFormat_ARGB32: return 4;
    case PF_PixelFormat_ARGB64: return 8;
    case PF_PixelFormat_ARGB128: return 16;
    default: return 0;
    }
}

WorldStorage::WorldStorage(A_long width, A_long height, PF_PixelFormat format, uint8_t fill, int pixelBytes)
    : format_(format), pixelBytes_(pixelBytes)
{
    if (pixelBytes <= 0 || width < 0 || height < 0) throw std::invalid_argument("unsupported world");
    const A_long rowbytes = (width + kRowSlackPixels) * pixelBytes;
    bytes_.assign(static_cast<size_t>(rowbytes) * static_cast<size_t>(height > 0 ? height : 1), fill);
    world_.reserved0 = this;
    world_.world_flags = PF_WorldFlag_WRITEABLE | (format != PF_PixelFormat_ARGB32 ? PF_WorldFlag_DEEP : 0);
    world_.data = reinterpret_cast<PF_PixelPtr>(bytes_.data());
    world_.rowbytes = rowbytes;
    world_.width = width;
    world_.height = height;
    world_.extent_hint = {0, 0, width, height};
    world_.pix_aspect_ratio = {1, 1};
}

World::World(A_long width, A_long height, PF_PixelFormat format) : World(width, height, format, BytesPerPixel(format)) {}

World::World(A_long width, A_long height, PF_PixelFormat format, int bytesPerPixel)
    : storage_(std::make_unique<WorldStorage>(width, height, format, 0, bytesPerPixel))
{
}

bool World::samePixels(const World &other) const
{
    if (width() != other.width() || height() != other.height() || format() != other.format()) return false;
    const size_t rowBytes = static_cast<size_t>(width()) * static_cast<size_t>(bytesPerPixel());
    for (A_long y = 0; y < height(); ++y)
        if (std::memcmp(row<uint8_t>(y), other.row<uint8_t>(y), rowBytes) != 0) return false;
    return true;
}

}  // namespace fxhost
