#include "fxhost/World.h"

#include "BlockPool.h"
#include "Platform.h"

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

namespace {

size_t StorageSize(A_long width, A_long height, int pixelBytes)
{
    if (pixelBytes <= 0 || width < 0 || height < 0) throw std::invalid_argument("unsupported world");
    return static_cast<size_t>(width + kRowSlackPixels) * static_cast<size_t>(pixelBytes) *
           static_cast<size_t>(height > 0 ? height : 1);
}

}  // namespace

WorldStorage::WorldStorage(A_long width, A_long height, PF_PixelFormat format, uint8_t fill, int pixelBytes)
    : format_(format), pixelBytes_(pixelBytes), size_(StorageSize(width, height, pixelBytes))
{
    bytes_ = platform::AllocateBlock(size_);
    std::memset(bytes_, fill, size_);
    describe(width, height);
}

WorldStorage::WorldStorage(A_long width, A_long height, PF_PixelFormat format, int pixelBytes, BlockPool &pool)
    : format_(format), pixelBytes_(pixelBytes), size_(StorageSize(width, height, pixelBytes)), pool_(&pool)
{
    bytes_ = pool.acquire(size_);
    describe(width, height);
}

WorldStorage::~WorldStorage()
{
    if (pool_ != nullptr)
        pool_->release(bytes_, size_);
    else
        platform::FreeBlock(bytes_);
}

void WorldStorage::describe(A_long width, A_long height)
{
    world_.reserved0 = this;
    world_.world_flags = PF_WorldFlag_WRITEABLE | (format_ != PF_PixelFormat_ARGB32 ? PF_WorldFlag_DEEP : 0);
    world_.data = reinterpret_cast<PF_PixelPtr>(bytes_);
    world_.rowbytes = (width + kRowSlackPixels) * pixelBytes_;
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
