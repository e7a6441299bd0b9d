#include <cmath>
#include <vector>

#include "HostFixture.h"
#include "KernelSupport.h"
#include "PaintedWorld.h"
#include "kernels/Propagation.h"

namespace {

// Source pixel (x, y) carries its position in red: 10 * x + y + 1.
A_u_short Tag(A_long x, A_long y) { return static_cast<A_u_short>(10 * x + y + 1); }

class PropagationTest : public HostTest {
protected:
    // A tagged source and a clear spread world.
    void Prepare(A_long width, A_long height)
    {
        source = PaintedWorld<PF_Pixel16>(width, height, [](A_long x, A_long y) {
            return PF_Pixel16{32768, Tag(x, y), 7, 9};
        });
        spread = FlatWorld<PF_Pixel16>(width, height, {0, 0, 0, 0});
    }

    // Runs the two spread passes and gives the row and column maps as text:
    // '.' where nothing is recorded, else the distance.
    void Spread(const PixelMask &seed, const PixelMask &fill, double distance, bool stopAtGap, Rows *rowMap,
                Rows *columnMap)
    {
        const A_long width = seed.width, height = seed.height;
        Prepare(width, height);
        DistanceMap rows, columns;
        ASSERT_TRUE(rows.Allocate(basic(), width, height));
        ASSERT_TRUE(columns.Allocate(basic(), width, height));
        PropagationJob<PF_Pixel16> job{inData(), source.get(), spread.get(), nullptr,  {0, 0, width, height},
                                       &seed,    &fill,        &rows,        &columns, distance,
                                       stopAtGap};
        ASSERT_EQ(inData()->utils->iterate_generic(-1, &job, SpreadRows<PF_Pixel16>), PF_Err_NONE);
        ASSERT_EQ(inData()->utils->iterate_generic(-1, &job, SpreadColumns<PF_Pixel16>), PF_Err_NONE);
        *rowMap = MapText(rows, width, height);
        *columnMap = MapText(columns, width, height);
    }

    static Rows MapText(const DistanceMap &map, A_long width, A_long height)
    {
        Rows text(height);
        for (A_long y = 0; y < height; ++y)
            for (A_long x = 0; x < width; ++x) {
                const A_u_short d = map.Row(y)[x];
                text[y] += d == kNoDistance ? '.' : d < 10 ? char('0' + d) : '+';
            }
        return text;
    }

    // The red of each spread pixel, along a one-row world.
    std::vector<int> SpreadReds() const
    {
        std::vector<int> reds;
        for (A_long x = 0; x < spread.width(); ++x) reds.push_back(spread.at<PF_Pixel16>(x, 0).red);
        return reds;
    }

    // The whole kernel over a 16-bit source tagged as above; pixels it does
    // not write stay {1, 1, 1, 1}.
    fxhost::World Propagate(const Rows &seedRows, const Rows &fillRows, double distance, bool stopAtGap = true)
    {
        const PixelMask seed = DrawMask(inData(), seedRows), fill = DrawMask(inData(), fillRows);
        const A_long width = seed.width, height = seed.height;
        Prepare(width, height);
        fxhost::World output = FlatWorld<PF_Pixel16>(width, height, {1, 1, 1, 1});
        EXPECT_EQ(PropagateColour<PF_Pixel16>(source.get(), output.get(), spread.get(), inData(), {0, 0, width, height},
                                              seed, fill, distance, stopAtGap),
                  PF_Err_NONE);
        return output;
    }

    fxhost::World source{1, 1, PF_PixelFormat_ARGB64};
    fxhost::World spread{1, 1, PF_PixelFormat_ARGB64};
};

TEST_F(PropagationTest, WalksNeverReachTheFirstOrLastPixelOfALine)
{
    Rows rows, columns;
    Spread(DrawMask(inData(), {"...#..."}), DrawMask(inData(), {"#######"}), 10, true, &rows, &columns);
    EXPECT_EQ(rows, Rows({".21012."}));
    EXPECT_EQ(SpreadReds(), (std::vector<int>{0, 31, 31, 31, 31, 31, 0}));
    // Along a column the same, except that a seed's distance 0 stays in the
    // worker's copy and never reaches the shared column map.
    Spread(DrawMask(inData(), {".", ".", ".", "#", ".", ".", "."}),
           DrawMask(inData(), {"#", "#", "#", "#", "#", "#", "#"}), 10, true, &rows, &columns);
    EXPECT_EQ(columns, Rows({".", "2", "1", ".", "1", "2", "."}));
    EXPECT_EQ(rows, Rows({".", ".", ".", "0", ".", ".", "."}));
}

TEST_F(PropagationTest, WalksCoverDistancesBelowTheTruncatedDistance)
{
    Rows rows, columns;
    Spread(DrawMask(inData(), {"....#...."}), DrawMask(inData(), {"#########"}), 3.9, true, &rows, &columns);
    EXPECT_EQ(rows, Rows({"..21012.."}));
    // Distance 1: no walk at all.
    Spread(DrawMask(inData(), {"....#...."}), DrawMask(inData(), {"#########"}), 1, true, &rows, &columns);
    EXPECT_EQ(rows, Rows({"....0...."}));
}

TEST_F(PropagationTest, AGapStopsTheWalkOrIsSteppedOverAndCounted)
{
    Rows rows, columns;
    const PixelMask fill = DrawMask(inData(), {"###.###"});
    Spread(DrawMask(inData(), {".#....."}), fill, 10, true, &rows, &columns);
    EXPECT_EQ(rows, Rows({".01...."}));
    Spread(DrawMask(inData(), {".#....."}), fill, 10, false, &rows, &columns);
    EXPECT_EQ(rows, Rows({".01.34."}));
    EXPECT_EQ(SpreadReds(), (std::vector<int>{0, 11, 11, 0, 11, 11, 0}));
}

TEST_F(PropagationTest, RunsWalkFromTheirEndsAndANearerSeedWinsOnlyWhenStrictlyNearer)
{
    Rows rows, columns;
    Spread(DrawMask(inData(), {"..##..."}), DrawMask(inData(), {"#######"}), 10, true, &rows, &columns);
    EXPECT_EQ(rows, Rows({".10012."}));
    // From x = 1 the walk right reaches 2, 3, 4 and the seed at 5 before that
    // seed is seen; from 5 the walk left improves 4 only (3 is a tie).
    Spread(DrawMask(inData(), {".#...#."}), DrawMask(inData(), {"#######"}), 10, true, &rows, &columns);
    EXPECT_EQ(rows, Rows({".01210."}));
    EXPECT_EQ(SpreadReds(), (std::vector<int>{0, 11, 11, 11, 51, 51, 0}));
}

// The column pass walks down strips of columns, copying in only the rows
// near the strip's seeds; it gives what the row pass gives over the frame
// turned on its side. Seeds lie far apart and close together, next to gaps,
// in a frame wider than a strip; the distance is a few pixels.
TEST_F(PropagationTest, ColumnWalksAreRowWalksOfTheTurnedFrame)
{
    constexpr A_long kWidth = 21, kHeight = 70;
    unsigned state = 5;
    const auto next = [&state] { return state = state * 1103515245u + 12345u, (state >> 16) % 100; };
    Rows seed(kHeight, std::string(kWidth, '.')), fill = seed;
    for (A_long y = 0; y < kHeight; ++y)
        for (A_long x = 0; x < kWidth; ++x) {
            if ((y > 25 && y < 40) || y % 23 == (x * 3) % 23 ? next() < 30 : next() < 2) seed[y][x] = '#';
            if (next() < 90) fill[y][x] = '#';
        }
    const auto turned = [](const Rows &rows) {
        Rows out(rows[0].size(), std::string(rows.size(), '.'));
        for (size_t y = 0; y < rows.size(); ++y)
            for (size_t x = 0; x < rows[0].size(); ++x) out[x][y] = rows[y][x];
        return out;
    };
    for (const bool stopAtGap : {true, false}) {
        // The pass over the turned frame, turned back: seeds and the pixels
        // the walks reached, with the reached pixels' distances.
        const auto walked = [&](bool turn) {
            const PixelMask seedMask = DrawMask(inData(), turn ? turned(seed) : seed);
            const PixelMask fillMask = DrawMask(inData(), turn ? turned(fill) : fill);
            const A_long width = seedMask.width, height = seedMask.height;
            Prepare(width, height);
            // Each pixel's red: its place in the frame as drawn.
            source = PaintedWorld<PF_Pixel16>(width, height, [&](A_long px, A_long py) {
                return PF_Pixel16{32768, static_cast<A_u_short>(turn ? px * kWidth + py + 1 : py * kWidth + px + 1), 7, 9};
            });
            DistanceMap rows, columns;
            EXPECT_TRUE(rows.Allocate(basic(), width, height));
            EXPECT_TRUE(columns.Allocate(basic(), width, height));
            PropagationJob<PF_Pixel16> job{inData(), source.get(), spread.get(), nullptr,  {0, 0, width, height},
                                           &seedMask, &fillMask,   &rows,        &columns, 5.5,
                                           stopAtGap};
            EXPECT_EQ(inData()->utils->iterate_generic(-1, &job, turn ? SpreadRows<PF_Pixel16> : SpreadColumns<PF_Pixel16>),
                      PF_Err_NONE);
            std::vector<int> out;
            for (A_long y = 0; y < kHeight; ++y)
                for (A_long x = 0; x < kWidth; ++x) {
                    const A_long px = turn ? y : x, py = turn ? x : y;
                    const A_u_short d = (turn ? rows : columns).Row(py)[px];
                    const PF_Pixel16 &p = spread.at<PF_Pixel16>(px, py);
                    out.push_back(seed[y][x] == '#' ? -1 : d);
                    out.push_back(p.red);
                }
            return out;
        };
        EXPECT_EQ(walked(false), walked(true)) << "stopAtGap " << stopAtGap;
    }
}

TEST_F(PropagationTest, ColumnsWhoseFillFlagIsClearAreNotSpread)
{
    const PixelMask seed = DrawMask(inData(), {"...", ".#.", "...", "...", "..."});
    PixelMask fill = DrawMask(inData(), {"###", "###", "###", "###", "###"});
    Rows rows, columns;
    Spread(seed, fill, 5, true, &rows, &columns);
    EXPECT_EQ(columns, Rows({"...", "...", ".1.", ".2.", "..."}));
    fill.columnFlags[1] = 0;
    Spread(seed, fill, 5, true, &rows, &columns);
    EXPECT_EQ(columns, Rows({"...", "...", "...", "...", "..."}));
}

TEST_F(PropagationTest, FillPixelsTakeTheNearestSpreadPixelFadedByItsDistance)
{
    const Rows seed = {"...", ".#.", "...", "...", "...", "..."};
    const Rows fill = {"###", "###", "###", "###", "###", "..#"};
    const fxhost::World out = Propagate(seed, fill, 5);
    // Seeds are copied unchanged; pixels outside the fill are not written.
    EXPECT_EQ(out.at<PF_Pixel16>(1, 1), (PF_Pixel16{32768, Tag(1, 1), 7, 9}));
    EXPECT_EQ(out.at<PF_Pixel16>(0, 5), (PF_Pixel16{1, 1, 1, 1}));
    // (1, 3): its own column entry 2 is found first; the row entry of the seed
    // two rows up, also 2, is not nearer.
    EXPECT_EQ(out.at<PF_Pixel16>(1, 3), (PF_Pixel16{19660, Tag(1, 1), 7, 9}));
    // (0, 3): the column entry 2 one pixel to the right, sqrt(5) in single
    // precision, alpha trunc((5 - v) * 32768 / 5).
    const auto faded = static_cast<A_u_short>((5 - double(std::sqrt(5.0f))) * 32768 / 5);
    EXPECT_EQ(out.at<PF_Pixel16>(0, 3), (PF_Pixel16{faded, Tag(1, 1), 7, 9}));
    // Nothing recorded near the first pixel of the first row: the colour of
    // the rectangle's top-left spread pixel with alpha 0.
    EXPECT_EQ(out.at<PF_Pixel16>(0, 0), (PF_Pixel16{0, 0, 0, 0}));
}

TEST_F(PropagationTest, DistanceOneGivesEveryFillPixelAlphaZero)
{
    const fxhost::World out = Propagate({".....", "..#..", "....."}, {"#####", "#####", "#####"}, 1);
    for (A_long y = 0; y < 3; ++y)
        for (A_long x = 0; x < 5; ++x)
            EXPECT_EQ(out.at<PF_Pixel16>(x, y).alpha, x == 2 && y == 1 ? 32768 : 0) << x << "," << y;
}

TEST_F(PropagationTest, SearchesReachAsFarAsTheUntruncatedDistance)
{
    // The row walk from (1, 2) records 1 at (2, 2). From (2, 4) that entry
    // lies two rows up: inside 4 - 2.5, outside 4 - trunc(2.5).
    const fxhost::World out =
        Propagate({".....", ".....", ".#...", ".....", "....."}, {"#####", "#####", "#####", "#####", "#####"}, 2.5);
    const auto faded = static_cast<A_u_short>((2.5 - double(std::sqrt(5.0f))) * 32768 / 2.5);
    EXPECT_EQ(out.at<PF_Pixel16>(2, 4), (PF_Pixel16{faded, Tag(1, 2), 7, 9}));
}

TEST_F(PropagationTest, AFillPixelWithoutCandidateEndsTransparentEvenBeyondTheNoDistanceMark)
{
    // R = 1001: the start value 1000 is not above R, yet the corner pixel,
    // which no walk and no search can reach, ends with alpha 0 (and the
    // colour of the top-left seed).
    const fxhost::World out = Propagate({"#..", "...", "..."}, {"###", "###", "###"}, 1001);
    EXPECT_EQ(out.at<PF_Pixel16>(2, 2), (PF_Pixel16{0, Tag(0, 0), 7, 9}));
}

TEST_F(PropagationTest, ASearchAlongTheRowStartsAtThePixelOnlyFromTheSecondColumn)
{
    // The column walk jumps the gap and records 2 at (0, 3), but the search
    // along the row runs only while p > 0, and up the column it ends at the
    // gap: no candidate.
    const fxhost::World out = Propagate({".", "#", ".", ".", "."}, {"#", "#", ".", "#", "#"}, 5, false);
    EXPECT_EQ(out.at<PF_Pixel16>(0, 3).alpha, 0);
    // One column to the right the pixel's own entry counts: trunc(3 / 5 * 32768).
    const fxhost::World shifted = Propagate({"..", ".#", "..", "..", ".."}, {".#", ".#", "..", ".#", ".#"}, 5, false);
    EXPECT_EQ(shifted.at<PF_Pixel16>(1, 3).alpha, 19660);
}

TEST_F(PropagationTest, RowsWithoutFillAreSkippedSeedsIncluded)
{
    const fxhost::World out = Propagate({"#..", "..."}, {"...", "###"}, 5);
    EXPECT_EQ(out.at<PF_Pixel16>(0, 0), (PF_Pixel16{1, 1, 1, 1}));
}

TEST_F(PropagationTest, FloatAlphaIsFadedWithoutRounding)
{
    const PixelMask seed = DrawMask(inData(), {"...", ".#.", "...", "..."});
    const PixelMask fill = DrawMask(inData(), {"###", "###", "###", "###"});
    const fxhost::World source = FlatWorld<PF_PixelFloat>(3, 4, {0.75f, 0.5f, 0.25f, 2.0f});
    fxhost::World spread(3, 4, PF_PixelFormat_ARGB128), out = FlatWorld<PF_PixelFloat>(3, 4, {9, 9, 9, 9});
    ASSERT_EQ(PropagateColour<PF_PixelFloat>(source.get(), out.get(), spread.get(), inData(), {0, 0, 3, 4}, seed, fill,
                                             3, true),
              PF_Err_NONE);
    // (1, 2): its own column entry 1: (3 - 1) * 0.75 / 3.
    const PF_PixelFloat &p = out.at<PF_PixelFloat>(1, 2);
    EXPECT_EQ(std::vector<float>({p.alpha, p.red, p.green, p.blue}), std::vector<float>({0.5f, 0.5f, 0.25f, 2.0f}));
}

TEST_F(PropagationTest, BadArgumentsAndMissingMemoryAreErrors)
{
    const PixelMask seed = DrawMask(inData(), {"#.."}), fill = DrawMask(inData(), {"###"});
    fxhost::World a(3, 1, PF_PixelFormat_ARGB64), b(3, 1, PF_PixelFormat_ARGB64), c(3, 1, PF_PixelFormat_ARGB64);
    const PF_LRect rect = {0, 0, 3, 1};
    EXPECT_EQ(PropagateColour<PF_Pixel16>(a.get(), b.get(), b.get(), inData(), rect, seed, fill, 3, true),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(PropagateColour<PF_Pixel16>(a.get(), b.get(), c.get(), inData(), rect, seed, fill, 0, true),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(PropagateColour<PF_Pixel16>(a.get(), b.get(), c.get(), inData(), {0, 0, 4, 1}, seed, fill, 3, true),
              PF_Err_BAD_CALLBACK_PARAM);
    for (int nth : {1, 2, 3}) {  // the two maps, then the first column buffer
        host.failNth(fxhost::Fault::HandleAllocation, nth);
        EXPECT_EQ(PropagateColour<PF_Pixel16>(a.get(), b.get(), c.get(), inData(), rect, seed, fill, 3, true),
                  PF_Err_OUT_OF_MEMORY)
            << nth;
        host.clearFaults();
    }
}

}  // namespace
