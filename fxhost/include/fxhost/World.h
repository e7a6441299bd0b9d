// Pixel worlds owned by the emulated host: layers, outputs and the worlds the
// effect asks the host to make.
#pragma once

#include <cstdint>
#include <cstddef>
#include <memory>

#include "AE_Effect.h"
#include "AE_EffectPixelFormat.h"

namespace fxhost {

class BlockPool;

// Bytes per pixel of a world format; 0 for formats the host does not know.
int BytesPerPixel(PF_PixelFormat format);

// The host's record of one world: its storage and format. PF_EffectWorld's
// reserved0 points back at it.
class WorldStorage {
public:
    // Rows carry some slack beyond width so that code which confuses width
    // and rowbytes shows up. `fill` is the byte every pixel starts with.
    WorldStorage(A_long width, A_long height, PF_PixelFormat format, uint8_t fill, int bytesPerPixel);
    // Storage from the host's pool, given back when the world goes; the bytes
    // are whatever the pool's last user left.
    WorldStorage(A_long width, A_long height, PF_PixelFormat format, int bytesPerPixel, BlockPool &pool);
    ~WorldStorage();
    WorldStorage(const WorldStorage &) = delete;
    WorldStorage &operator=(const WorldStorage &) = delete;

    PF_EffectWorld &world() { return world_; }
    PF_PixelFormat format() const { return format_; }
    int bytesPerPixel() const { return pixelBytes_; }
    // Every byte, row slack included.
    size_t size() const { return size_; }

private:
    void describe(A_long width, A_long height);

    PF_PixelFormat format_;
    int pixelBytes_;
    size_t size_;
    BlockPool *pool_ = nullptr;  // null: the bytes are the storage's own
    uint8_t *bytes_ = nullptr;
    PF_EffectWorld world_{};
};

// A world a test or the command-line tool owns.
class World {
public:
    World(A_long width, A_long height, PF_PixelFormat format);
    // A world of a format the host does not render, for tests of how the
    // effect refuses it.
    World(A_long width, A_long height, PF_PixelFormat format, int bytesPerPixel);

    PF_EffectWorld *get() { return &storage_->world(); }
    const PF_EffectWorld *get() const { return &storage_->world(); }
    PF_PixelFormat format() const { return storage_->format(); }
    int bytesPerPixel() const { return storage_->bytesPerPixel(); }
    A_long width() const { return get()->width; }
    A_long height() const { return get()->height; }

    template <class Pixel>
    Pixel *row(A_long y)
    {
        return reinterpret_cast<Pixel *>(reinterpret_cast<uint8_t *>(get()->data) + y * get()->rowbytes);
    }
    template <class Pixel>
    const Pixel *row(A_long y) const
    {
        return reinterpret_cast<const Pixel *>(reinterpret_cast<const uint8_t *>(get()->data) + y * get()->rowbytes);
    }
    template <class Pixel>
    Pixel &at(A_long x, A_long y)
    {
        return row<Pixel>(y)[x];
    }
    template <class Pixel>
    const Pixel &at(A_long x, A_long y) const
    {
        return row<Pixel>(y)[x];
    }

    // True when both worlds have the same size, format and pixel bytes.
    bool samePixels(const World &other) const;

private:
    std::unique_ptr<WorldStorage> storage_;
};

}  // namespace fxhost
