#include "pipeline/PixelMask.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "AEException.h"

namespace {

const char kSourceFile[] = "pipeline\\PixelMask";

void SetBytes(A_u_char *bytes, A_long count, A_u_char value)
{
    if (count > 0) std::memset(bytes, value, static_cast<size_t>(count));
}

}  // namespace

void PixelMask::AllocateMask(PF_InData *in_data, A_long newWidth, A_long newHeight)
{
    if (newWidth <= 0 || newHeight <= 0) {
        ReleaseMask();
        return;
    }
    // Sized in 64 bits: the block size is a 32-bit field, and a size that does
    // not fit must fail rather than wrap into a small block.
    const int64_t stride = (static_cast<int64_t>(newWidth) + 3) / 4 * 4;
    const int64_t rowFlagBytes = (static_cast<int64_t>(newHeight) + 3) / 4 * 4;
    const int64_t size = stride * newHeight + rowFlagBytes + stride;
    if (size > INT32_MAX)
        throw AEUtil::AEException(PF_Err_OUT_OF_MEMORY, __LINE__, kSourceFile,
                                  "mask of %d x %d pixels is too large\n", newWidth, newHeight);

    AEUtil::SharedArray<unsigned char> block =
        AEUtil::SharedArray<unsigned char>::allocateAE(in_data->pica_basicP, static_cast<A_long>(size));
    if (block.get() == nullptr)
        throw AEUtil::AEException(PF_Err_OUT_OF_MEMORY, __LINE__, kSourceFile, "no host memory for a mask\n");
    storage = block;
    data = storage.get();
    byteSize = static_cast<A_long>(size);
    width = newWidth;
    height = newHeight;
    allocRowBytes = static_cast<A_long>(stride);
    rowBytes = allocRowBytes;
    rowFlags = data + stride * newHeight;
    columnFlags = rowFlags + rowFlagBytes;
    bounds = {0, 0, width, height};
    flagsStale = 1;
    boundsStale = 1;
}

void PixelMask::ReleaseMask()
{
    // Leaves an empty mask rather than sizes and flag pointers that outlive
    // the block.
    storage = AEUtil::SharedArray<unsigned char>();
    data = nullptr;
    byteSize = 0;
    width = 0;
    height = 0;
    allocRowBytes = 0;
    rowBytes = 0;
    rowFlags = nullptr;
    columnFlags = nullptr;
    bounds = {0, 0, 0, 0};
    flagsStale = 1;
    boundsStale = 1;
}

void PixelMask::FillMask(A_u_char value)
{
    for (A_long y = 0; y < height; ++y) SetBytes(Row(y), width, value);
    const A_u_char flag = value != 0 ? 1 : 0;
    SetBytes(rowFlags, height, flag);
    SetBytes(columnFlags, width, flag);
    bounds = value != 0 ? PF_LRect{0, 0, width, height} : PF_LRect{0, 0, 0, 0};
    flagsStale = 0;
    boundsStale = 0;
}

// The loops below work on local copies of the flag pointers and the width:
// the stores to mask bytes could alias the members, which would keep the
// loops from vectorising. Flags are 0 or 1, so they are or-ed in without
// branches.
void PixelMask::InvertMask()
{
    A_u_char *const columns = columnFlags;
    const A_long columnCount = width;
    SetBytes(rowFlags, height, 0);
    SetBytes(columns, columnCount, 0);
    for (A_long y = 0; y < height; ++y) {
        A_u_char *const row = Row(y);
        A_u_char any = 0;
        for (A_long x = 0; x < columnCount; ++x) {
            const A_u_char inverted = row[x] == 0 ? 1 : 0;
            row[x] = inverted;
            columns[x] |= inverted;
            any |= inverted;
        }
        if (any != 0) rowFlags[y] = 1;
    }
    flagsStale = 0;
    boundsStale = 1;
}

void PixelMask::MergeMask(const PixelMask &other)
{
    const A_long rows = std::min(height, other.height);
    const A_long columns = std::min(width, other.width);
    A_u_char *const columnsSet = columnFlags;
    for (A_long y = 0; y < rows; ++y) {
        if (!other.RowOccupied(y)) continue;
        const A_u_char *const from = other.Row(y);
        A_u_char *const to = Row(y);
        A_u_char received = 0;
        for (A_long x = 0; x < columns; ++x) {
            const A_u_char value = from[x];
            const A_u_char set = value != 0 ? 1 : 0;
            to[x] = set != 0 ? value : to[x];
            columnsSet[x] |= set;
            received |= set;
        }
        if (received != 0) rowFlags[y] = 1;
    }
    boundsStale = 1;
}

void PixelMask::RecomputeFlags()
{
    A_u_char *const columns = columnFlags;
    const A_long columnCount = width;
    SetBytes(rowFlags, height, 0);
    SetBytes(columns, columnCount, 0);
    for (A_long y = 0; y < height; ++y) {
        const A_u_char *const row = Row(y);
        A_u_char any = 0;
        for (A_long x = 0; x < columnCount; ++x) {
            const A_u_char set = row[x] != 0 ? 1 : 0;
            columns[x] |= set;
            any |= set;
        }
        if (any != 0) rowFlags[y] = 1;
    }
    flagsStale = 0;
    boundsStale = 1;
}

bool PixelMask::ComputeBounds()
{
    if (flagsStale != 0) RecomputeFlags();
    A_long top = height, bottom = 0, left = width, right = 0;
    for (A_long y = 0; y < height; ++y) {
        if (rowFlags[y] != 0) {
            top = std::min(top, y);
            bottom = y + 1;
        }
    }
    for (A_long x = 0; x < width; ++x) {
        if (columnFlags[x] != 0) {
            left = std::min(left, x);
            right = x + 1;
        }
    }
    if (top < bottom && left < right) {
        bounds = {left, top, right, bottom};
        boundsStale = 0;
        return true;
    }
    bounds = {0, 0, 0, 0};
    boundsStale = 1;
    return false;
}
