#include <vector>

#include "AEException.h"
#include "HostFixture.h"
#include "KernelSupport.h"

namespace {

using Rows = std::vector<std::string>;

class PixelMaskTest : public HostTest {};

TEST_F(PixelMaskTest, AllocationRoundsRowsToFourBytesAndKeepsFlagsInTheSameBlock)
{
    PixelMask mask;
    mask.AllocateMask(inData(), 5, 3);
    EXPECT_EQ(mask.rowBytes, 8);
    EXPECT_EQ(mask.allocRowBytes, 8);
    EXPECT_EQ(mask.byteSize, 8 * 3 + 4 + 8);
    EXPECT_EQ(mask.rowFlags, mask.data + 24);
    EXPECT_EQ(mask.columnFlags, mask.data + 28);
    EXPECT_EQ(mask.bounds.right, 5);
    EXPECT_EQ(mask.bounds.bottom, 3);
    EXPECT_EQ(mask.flagsStale, 1);
    EXPECT_EQ(mask.boundsStale, 1);
    EXPECT_EQ(host.accounting().handles, 1);

    mask.AllocateMask(inData(), 5, 5);
    EXPECT_EQ(mask.byteSize, 8 * 5 + 8 + 8);
    EXPECT_EQ(host.accounting().handles, 1);
}

TEST_F(PixelMaskTest, EmptyAndOversizedAreasAllocateNothing)
{
    PixelMask mask = DrawMask(inData(), {"#"});
    mask.AllocateMask(inData(), 0, 7);
    EXPECT_EQ(mask.data, nullptr);
    EXPECT_EQ(mask.rowFlags, nullptr);
    EXPECT_EQ(mask.width + mask.height + mask.rowBytes, 0);
    EXPECT_EQ(host.accounting().handles, 0);

    try {
        mask.AllocateMask(inData(), 70000, 70000);
        FAIL() << "a block beyond 2 GB was accepted";
    } catch (const AEUtil::AEException &error) {
        EXPECT_EQ(error.code(), PF_Err_OUT_OF_MEMORY);
    }
    EXPECT_EQ(host.accounting().handles, 0);
}

TEST_F(PixelMaskTest, MergeIntoAnEmptyMaskCopiesValuesAndFlags)
{
    const PixelMask source = DrawMask(inData(), {"..3..", ".....", "1...7"});
    PixelMask copy;
    copy.AllocateMask(inData(), 5, 3);
    copy.FillMask(0);
    copy.MergeMask(source);
    EXPECT_EQ(MaskText(copy), (Rows{"..3..", ".....", "1...7"}));
    EXPECT_EQ(FlagText(copy.rowFlags, 3), "101");
    EXPECT_EQ(FlagText(copy.columnFlags, 5), "10101");
    EXPECT_EQ(copy.boundsStale, 1);
    EXPECT_NE(copy.data, source.data);
}

TEST_F(PixelMaskTest, MergeCoversTheOverlapAndTrustsOnlyFreshRowFlags)
{
    PixelMask other = DrawMask(inData(), {"##", "##", "##"});
    other.rowFlags[1] = 0;  // flags that disagree with the plane
    PixelMask target = DrawMask(inData(), {"...", "..."});
    target.MergeMask(other);
    EXPECT_EQ(MaskText(target), (Rows{"11.", "..."}));

    other.flagsStale = 1;
    target.MergeMask(other);
    EXPECT_EQ(MaskText(target), (Rows{"11.", "11."}));
    EXPECT_EQ(FlagText(target.rowFlags, 2), "11");
}

TEST_F(PixelMaskTest, InvertGivesTheComplementWithExactFlags)
{
    PixelMask all;
    all.AllocateMask(inData(), 3, 2);
    all.FillMask(1);
    all.InvertMask();
    EXPECT_EQ(MaskText(all), (Rows{"...", "..."}));
    EXPECT_EQ(FlagText(all.rowFlags, 2) + FlagText(all.columnFlags, 3), "00000");

    PixelMask some = DrawMask(inData(), {"#.#", "###"});
    some.InvertMask();
    EXPECT_EQ(MaskText(some), (Rows{".1.", "..."}));
    EXPECT_EQ(FlagText(some.rowFlags, 2) + FlagText(some.columnFlags, 3), "10010");
    EXPECT_EQ(some.flagsStale, 0);
    EXPECT_EQ(some.boundsStale, 1);
}

TEST_F(PixelMaskTest, BoundsComeFromTheFlags)
{
    PixelMask mask;
    mask.AllocateMask(inData(), 6, 9);
    mask.FillMask(0);
    EXPECT_FALSE(mask.ComputeBounds());
    EXPECT_EQ(mask.boundsStale, 1);
    EXPECT_EQ(mask.bounds.right, 0);

    mask.Row(7)[3] = 1;  // flags now stale: bounds recompute them
    mask.flagsStale = 1;
    ASSERT_TRUE(mask.ComputeBounds());
    EXPECT_EQ(mask.boundsStale, 0);
    EXPECT_EQ(mask.bounds.left, 3);
    EXPECT_EQ(mask.bounds.top, 7);
    EXPECT_EQ(mask.bounds.right, 4);
    EXPECT_EQ(mask.bounds.bottom, 8);
}

TEST_F(PixelMaskTest, FillBoundsSpanWidthsBeyondSixteenBits)
{
    PixelMask wide;
    wide.AllocateMask(inData(), 40000, 1);
    wide.FillMask(1);
    EXPECT_EQ(wide.bounds.right, 40000);
    EXPECT_EQ(wide.bounds.bottom, 1);
}

TEST_F(PixelMaskTest, CopiesSharePixelsUntilTheTargetIsReassigned)
{
    PixelMask first = DrawMask(inData(), {"#."});
    PixelMask second = first;
    second.Row(0)[1] = 1;
    EXPECT_EQ(first.Row(0)[1], 1);

    second = DrawMask(inData(), {".."});
    EXPECT_EQ(MaskText(first), Rows{"11"});
    EXPECT_EQ(host.accounting().handles, 2);
    first.ReleaseMask();
    EXPECT_EQ(host.accounting().handles, 1);
}

}  // namespace
