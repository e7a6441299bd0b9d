// The edge map: one byte per pixel telling across which of its boundaries
// the colour changes. A zero border of one row above and below and at least
// one spare column on each side lets the measures look past the world's
// edges without bounds tests.
#pragma once

#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "AEConfig.h"
#include "AE_Effect.h"
#include "AE_EffectCBSuites.h"
#include "kernels/Slices.h"

class EdgeMap {
public:
    static constexpr A_u_char kR = 1;  // (x, y) differs from (x + 1, y)
    static constexpr A_u_char kD = 2;  // (x, y) differs from (x, y + 1)
    static constexpr A_u_char kX = 4;  // (x, y) differs from (x + 1, y + 1)
    static constexpr A_u_char kY = 8;  // (x + 1, y) differs from (x, y + 1)

    // Bytes of a row: (width + 5) rounded up to a multiple of four.
    static A_long RowSpan(A_long width) { return (width + 8) / 4 * 4; }
    static constexpr A_long kLeftBorder = 4;

    // plane: the first byte of the map's top border row.
    EdgeMap(A_u_char *plane, A_long rowbytes, A_long width, A_long height)
        : origin_(plane + rowbytes + kLeftBorder), rowbytes_(rowbytes), width_(width), height_(height)
    {
    }

    A_long width() const { return width_; }
    A_long height() const { return height_; }

    A_u_char bits(A_long x, A_long y) const
    {
        assert(x >= -kLeftBorder && x < RowSpan(width_) - kLeftBorder && y >= -1 && y <= height_);
        return origin_[static_cast<std::ptrdiff_t>(y) * rowbytes_ + x];
    }
    bool R(A_long x, A_long y) const { return (bits(x, y) & kR) != 0; }
    bool D(A_long x, A_long y) const { return (bits(x, y) & kD) != 0; }
    bool X(A_long x, A_long y) const { return (bits(x, y) & kX) != 0; }
    bool Y(A_long x, A_long y) const { return (bits(x, y) & kY) != 0; }

    void set(A_long x, A_long y, A_u_char bits)
    {
        assert(x >= 0 && x < width_ && y >= 0 && y < height_);
        origin_[static_cast<std::ptrdiff_t>(y) * rowbytes_ + x] |= bits;
    }

    // The flags of pixels x to x + 3 at once (x a multiple of 4, x < width),
    // so that flat areas cost one test per four pixels.
    std::uint32_t group(A_long x, A_long y) const
    {
        std::uint32_t flags;
        std::memcpy(&flags, origin_ + static_cast<std::ptrdiff_t>(y) * rowbytes_ + x, sizeof flags);
        return flags;
    }

private:
    A_u_char *origin_;  // the byte of pixel (0, 0)
    A_long rowbytes_;
    A_long width_;
    A_long height_;
};

// The host world that holds an edge map, disposed when it goes out of scope.
class EdgeMapWorld {
public:
    EdgeMapWorld(const PF_WorldSuite1 *suite, PF_ProgPtr effectRef) : suite_(suite), effectRef_(effectRef) {}
    ~EdgeMapWorld();
    EdgeMapWorld(const EdgeMapWorld &) = delete;
    EdgeMapWorld &operator=(const EdgeMapWorld &) = delete;

    // A zero-filled map for a width x height image; the host's error if it
    // cannot make the world.
    PF_Err allocate(A_long width, A_long height);

    EdgeMap map() const;

private:
    const PF_WorldSuite1 *suite_;
    PF_ProgPtr effectRef_;
    PF_EffectWorld world_{};
    A_long width_ = 0;
    A_long height_ = 0;
    bool allocated_ = false;
};

// The difference tests; the thresholds are in channel units of each depth.
// Pixels of the same bits never differ, whatever their alpha; flat artwork
// is mostly such pairs, so they are told apart first.
inline bool Differ16(const PF_Pixel16 &a, const PF_Pixel16 &b, A_long threshold)
{
    if (std::memcmp(&a, &b, sizeof a) == 0) return false;
    const auto sum = [](const PF_Pixel16 &p) { return A_long{p.alpha} + p.red + p.green + p.blue; };
    if (a.alpha == 0 && b.alpha == 0) return false;
    if (a.alpha == 0) return sum(b) > threshold;
    if (b.alpha == 0) return sum(a) > threshold;
    const auto delta = [](A_u_short u, A_u_short v) { return u > v ? A_long{u} - v : A_long{v} - u; };
    return delta(a.alpha, b.alpha) + delta(a.red, b.red) + delta(a.green, b.green) + delta(a.blue, b.blue) >
           threshold;
}

inline bool DifferFloat(const PF_PixelFloat &a, const PF_PixelFloat &b, float threshold)
{
    if (std::memcmp(&a, &b, sizeof a) == 0) return false;
    // A NaN alpha compares unequal to 0, so it counts as non-zero.
    const auto sum = [](const PF_PixelFloat &p) { return p.alpha + p.red + p.green + p.blue; };
    if (a.alpha == 0 && b.alpha == 0) return false;
    if (a.alpha == 0) return sum(b) > threshold;
    if (b.alpha == 0) return sum(a) > threshold;
    return std::fabs(a.alpha - b.alpha) + std::fabs(a.red - b.red) + std::fabs(a.green - b.green) +
               std::fabs(a.blue - b.blue) >
           threshold;
}

// Sets the map's bits from source (the map must be zero and of its size).
void FillEdgeMap16(EdgeMap &map, const PF_EffectWorld &source, A_long threshold);
void FillEdgeMapFloat(EdgeMap &map, const PF_EffectWorld &source, float threshold);
// The same for the rows of one band only; bands may be filled at once.
void FillEdgeMapRows16(EdgeMap &map, const PF_EffectWorld &source, A_long threshold, Slice rows);
void FillEdgeMapRowsFloat(EdgeMap &map, const PF_EffectWorld &source, float threshold, Slice rows);
