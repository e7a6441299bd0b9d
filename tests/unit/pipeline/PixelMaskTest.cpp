#include <string>
#include <vector>

#include "AEException.h"
#include "HostFixture.h"
#include "KernelSupport.h"

namespace {

class PixelMaskTest : public HostTest {};

TEST_F(PixelMaskTest, OneBlockHoldsRowsOfFourByteMultiplesAndTheFlags)
{
    PixelMask mask;
    mask.AllocateMask(inData(), 5, 3);
    EXPECT_EQ(mask.rowBytes, 8);
    EXPECT_EQ(mask.byteSize, 8 * 3 + 4 + 8);
    EXPECT_EQ(mask.rowFlags, mask.data + 24);
    EXPECT_EQ(mask.columnFlags, mask.data + 28);
    EXPECT_EQ(mask.bounds.right + mask.bounds.bottom, 5 + 3);
    EXPECT_EQ(mask.flagsStale + mask.boundsStale, 2);
    mask.AllocateMask(inData(), 5, 5);
    EXPECT_EQ(mask.byteSize, 8 * 5 + 8 + 8);
    EXPECT_EQ(host.accounting().handles, 1);

    mask.AllocateMask(inData(), 0, 7);
    EXPECT_EQ(mask.data, nullptr);
    EXPECT_EQ(mask.width + mask.height + mask.rowBytes, 0);
    EXPECT_EQ(host.accounting().handles, 0);
    // A block beyond 2 GB is refused rather than wrapped.
    EXPECT_THROW(mask.AllocateMask(inData(), 70000, 70000), AEUtil::AEException);
    EXPECT_EQ(host.accounting().handles, 0);
}

TEST_F(PixelMaskTest, MergeCopiesSelectedValuesOverTheCommonArea)
{
    const PixelMask source = DrawMask(inData(), {"..3..", ".....", "1...7"});
    PixelMask copy;
    copy.AllocateMask(inData(), 5, 3);
    copy.FillMask(0);
    copy.MergeMask(source);
    EXPECT_EQ(MaskText(copy), (Rows{"..3..", ".....", "1...7"}));
    EXPECT_EQ(FlagText(copy), "101|10101");
    EXPECT_EQ(copy.boundsStale, 1);

    // Fresh row flags of the other mask are trusted, stale ones are not.
    PixelMask other = DrawMask(inData(), {"##", "##", "##"});
    other.rowFlags[1] = 0;
    PixelMask target = DrawMask(inData(), {"...", "..."});
    target.MergeMask(other);
    EXPECT_EQ(MaskText(target), (Rows{"11.", "..."}));
    other.flagsStale = 1;
    target.MergeMask(other);
    EXPECT_EQ(MaskText(target), (Rows{"11.", "11."}));
}

// Rows long enough for the vector loops, with their tails: values merge over
// the target's own, zeros leave it, and the flags follow both.
TEST_F(PixelMaskTest, MergeAndInvertOfLongRowsKeepEveryValueAndFlag)
{
    Rows sourceRows, targetRows, merged, inverted;
    for (int y = 0; y < 3; ++y) {
        std::string from, to, both, flipped;
        for (int x = 0; x < 75; ++x) {
            const char f = (x * 5 + y) % 7 == 0 ? static_cast<char>('1' + x % 9) : '.';
            const char t = y == 0 && x % 11 == 3 ? '2' : '.';
            from += f;
            to += t;
            both += f != '.' ? f : t;
            flipped += both.back() == '.' ? '1' : '.';
        }
        sourceRows.push_back(from);
        targetRows.push_back(to);
        merged.push_back(both);
        inverted.push_back(flipped);
    }
    const PixelMask source = DrawMask(inData(), sourceRows);
    PixelMask target = DrawMask(inData(), targetRows);
    target.MergeMask(source);
    EXPECT_EQ(MaskText(target), merged);
    EXPECT_EQ(FlagText(target), FlagText(DrawMask(inData(), merged)));

    target.InvertMask();
    EXPECT_EQ(MaskText(target), inverted);
    EXPECT_EQ(FlagText(target), FlagText(DrawMask(inData(), inverted)));
}

TEST_F(PixelMaskTest, InvertGivesTheComplementWithExactFlags)
{
    PixelMask all = DrawMask(inData(), {"###", "###"});
    all.InvertMask();
    EXPECT_EQ(MaskText(all), (Rows{"...", "..."}));
    EXPECT_EQ(FlagText(all), "00|000");
    PixelMask some = DrawMask(inData(), {"#.#", "###"});
    some.InvertMask();
    EXPECT_EQ(MaskText(some), (Rows{".1.", "..."}));
    EXPECT_EQ(FlagText(some), "10|010");
    EXPECT_EQ(some.boundsStale, 1);
}

TEST_F(PixelMaskTest, BoundsComeFromTheFlags)
{
    PixelMask mask;
    mask.AllocateMask(inData(), 6, 9);
    mask.FillMask(0);
    EXPECT_FALSE(mask.ComputeBounds());
    EXPECT_EQ(mask.boundsStale, 1);
    mask.Row(7)[3] = 1;
    mask.flagsStale = 1;
    ASSERT_TRUE(mask.ComputeBounds());
    EXPECT_EQ(mask.boundsStale, 0);
    EXPECT_EQ(std::vector<A_long>({mask.bounds.left, mask.bounds.top, mask.bounds.right, mask.bounds.bottom}),
              std::vector<A_long>({3, 7, 4, 8}));
    // Wider than 16 bits: the filled bounds still span the width.
    mask.AllocateMask(inData(), 40000, 1);
    mask.FillMask(1);
    EXPECT_EQ(mask.bounds.right, 40000);
}

TEST_F(PixelMaskTest, CopiesSharePixelsUntilTheTargetIsReassigned)
{
    PixelMask first = DrawMask(inData(), {"#."});
    PixelMask second = first;
    second.Row(0)[1] = 1;
    EXPECT_EQ(MaskText(first), Rows{"11"});
    second = DrawMask(inData(), {".."});
    EXPECT_EQ(MaskText(first), Rows{"11"});
    first.ReleaseMask();
    EXPECT_EQ(host.accounting().handles, 1);
}

}  // namespace
