#include "kernels/EdgeMap.h"

#include <cstring>

namespace {

template <class Pixel>
const Pixel *Row(const PF_EffectWorld &world, A_long y)
{
    return reinterpret_cast<const Pixel *>(reinterpret_cast<const A_u_char *>(world.data) +
                                           static_cast<std::ptrdiff_t>(y) * world.rowbytes);
}

// The map's bits from one pair of rows: bits 0 and 1 of every pixel first,
// then the diagonal bits. Inside whole blocks of four pixels before the last
// column, the diagonals of the first three pixels are only worth testing
// when a boundary of the block up to the next pixel is already known.
template <class Pixel, class Differ>
void FillRow(EdgeMap &map, const Pixel *row, const Pixel *below, A_long y, const Differ &differ)
{
    const A_long lastColumn = map.width() - 1;
    // Pixels of the same bits never differ: four pixels that match their
    // neighbours byte for byte, as flat artwork mostly does, are passed over
    // with one comparison. test(x) tests pixel x; `pairs` pixels are tested.
    constexpr A_long kBlock = 4;
    const auto sweep = [](A_long pairs, const Pixel *neighbours, const Pixel *pixels, auto &&test) {
        A_long x = 0;
        for (; x + kBlock <= pairs; x += kBlock) {
            if (std::memcmp(pixels + x, neighbours + x, kBlock * sizeof(Pixel)) == 0) continue;
            for (A_long i = x; i < x + kBlock; ++i) test(i);
        }
        for (; x < pairs; ++x) test(x);
    };
    sweep(lastColumn, row + 1, row, [&](A_long x) {
        if (differ(row[x], row[x + 1])) map.set(x, y, EdgeMap::kR);
    });
    if (below == nullptr) return;
    sweep(lastColumn + 1, below, row, [&](A_long x) {
        if (differ(row[x], below[x])) map.set(x, y, EdgeMap::kD);
    });

    auto diagonals = [&](A_long x) {
        if (differ(row[x], below[x + 1])) map.set(x, y, EdgeMap::kX);
        if (differ(row[x + 1], below[x])) map.set(x, y, EdgeMap::kY);
    };
    const auto straight = [&](A_long x) { return (map.bits(x, y) & (EdgeMap::kR | EdgeMap::kD)) != 0; };
    A_long x = 0;
    for (; x + 3 < lastColumn; x += 4) {
        // The block's straight bits at once: none, and no diagonal of its
        // first three pixels is tested.
        constexpr std::uint32_t kStraightOfFour = (EdgeMap::kR | EdgeMap::kD) * 0x01010101u;
        if ((map.group(x, y) & kStraightOfFour) != 0) {
            bool boundary = straight(x);
            for (A_long i = 0; i < 3; ++i) {
                boundary = boundary || straight(x + i + 1);
                if (boundary) diagonals(x + i);
            }
        }
        diagonals(x + 3);
    }
    for (; x < lastColumn; ++x) diagonals(x);
}

// Each row's bits come from that row and the one below only, so bands of
// rows may be filled at once.
template <class Pixel, class Differ>
void Fill(EdgeMap &map, const PF_EffectWorld &source, Slice rows, const Differ &differ)
{
    for (A_long y = rows.begin; y < rows.end; ++y) {
        const Pixel *below = y + 1 < map.height() ? Row<Pixel>(source, y + 1) : nullptr;
        FillRow(map, Row<Pixel>(source, y), below, y, differ);
    }
}

}  // namespace

EdgeMapWorld::~EdgeMapWorld()
{
    if (allocated_) suite_->dispose_world(effectRef_, &world_);
}

PF_Err EdgeMapWorld::allocate(A_long width, A_long height)
{
    // Four map bytes per pixel of an 8-bit world.
    const PF_Err err = suite_->new_world(effectRef_, EdgeMap::RowSpan(width) / 4, height + 2, 0, &world_);
    if (err != PF_Err_NONE) return err;
    allocated_ = true;
    width_ = width;
    height_ = height;
    for (A_long row = 0; row < height + 2; ++row)
        std::memset(reinterpret_cast<A_u_char *>(world_.data) + static_cast<std::ptrdiff_t>(row) * world_.rowbytes, 0,
                    static_cast<size_t>(EdgeMap::RowSpan(width)));
    return PF_Err_NONE;
}

EdgeMap EdgeMapWorld::map() const
{
    return EdgeMap(reinterpret_cast<A_u_char *>(world_.data), world_.rowbytes, width_, height_);
}

void FillEdgeMapRows16(EdgeMap &map, const PF_EffectWorld &source, A_long threshold, Slice rows)
{
    Fill<PF_Pixel16>(map, source, rows,
                     [threshold](const PF_Pixel16 &a, const PF_Pixel16 &b) { return Differ16(a, b, threshold); });
}

void FillEdgeMapRowsFloat(EdgeMap &map, const PF_EffectWorld &source, float threshold, Slice rows)
{
    Fill<PF_PixelFloat>(map, source, rows, [threshold](const PF_PixelFloat &a, const PF_PixelFloat &b) {
        return DifferFloat(a, b, threshold);
    });
}

void FillEdgeMap16(EdgeMap &map, const PF_EffectWorld &source, A_long threshold)
{
    FillEdgeMapRows16(map, source, threshold, {0, map.height()});
}

void FillEdgeMapFloat(EdgeMap &map, const PF_EffectWorld &source, float threshold)
{
    FillEdgeMapRowsFloat(map, source, threshold, {0, map.height()});
}
