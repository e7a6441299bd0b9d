// sallow pick, sallow sheet, presets (--save-params and colours taken with
// "@X,Y") and the JSON of info and params.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "ImageFile.h"
#include "Pixels.h"
#include "SallowRun.h"
#include "TempFolder.h"

namespace {

namespace fs = std::filesystem;

const std::string kSample = std::string(SALLOW_SOURCE_DIR) + "/samples/cel-frame.png";

size_t Count(const std::string &text, const std::string &part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// A small frame: the default key colour in a block, a second blue beside
// it, a line, and a transparent corner.
fxhost::World SmallFrame()
{
    return testpixels::Draw(40, 30, PF_PixelFormat_ARGB32, [](A_long x, A_long y) {
        if (x < 10 && y < 10) return PF_Pixel{0, 90, 90, 90};
        if (x >= 12 && x < 24 && y >= 8 && y < 22) return PF_Pixel{255, 3, 180, 245};
        if (x >= 24 && x < 30 && y >= 8 && y < 22) return PF_Pixel{255, 2, 128, 190};
        if (y == 25) return PF_Pixel{255, 40, 30, 48};
        return PF_Pixel{255, 230, 200, 170};
    });
}

class SallowTools : public TempFolderTest {
protected:
    void SetUp() override
    {
        // The stored defaults of these tests live in their own folder.
        const char *previous = std::getenv("XDG_CONFIG_HOME");
        previousConfig_ = previous ? previous : "";
        setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
        input_ = Path("in.png");
        WriteImage(input_, SmallFrame(), FileDepth::Eight);
    }
    void TearDown() override { setenv("XDG_CONFIG_HOME", previousConfig_.c_str(), 1); }

    static bool SameImage(const std::string &a, const std::string &b)
    {
        return ReadImage(a, 0).world->samePixels(*ReadImage(b, 0).world);
    }

    std::string input_;
    std::string previousConfig_;
};

TEST_F(SallowTools, PickNamesTheHairColourAndARangeThatTakesInItsShadow)
{
    const CliRun run = Sallow("pick " + kSample + " 248 50 --no-user-defaults");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "colour:     #03B4F5 (3, 180, 245)")) << run.output;
    EXPECT_TRUE(Contains(run.output, "working:    alpha 32768, red 386, green 23130, blue 31483")) << run.output;
    EXPECT_TRUE(Contains(run.output, "Color 1    #03B4F5  range   0.0 (tolerance     0)  distance     0  matches"))
        << run.output;
    EXPECT_TRUE(Contains(run.output, "#0280BE x 2 #03B4F5 x 23")) << run.output;
    EXPECT_TRUE(Contains(run.output, "the smallest range that takes them all in is 4.2")) << run.output;

    // The range is the smallest that keys the shadow with the hair.
    for (const char *range : {"4.1", "4.2"}) {
        const std::string out = Path(std::string("extract-") + range + ".png");
        ASSERT_EQ(Sallow("render " + kSample + " " + out + " --no-user-defaults --set View=Extract --set \"Color 1 Range=" +
                         range + "\"")
                      .status,
                  0);
        const A_u_char shadowAlpha = ReadImage(out, 0).world->at<PF_Pixel8>(262, 58).alpha;
        EXPECT_EQ(shadowAlpha, std::string(range) == "4.2" ? 255 : 0) << range;
    }
}

TEST_F(SallowTools, PickReportsEveryEnabledKeyAndRefusesPixelsOutsideTheImage)
{
    const CliRun run = Sallow("pick " + input_ + " 5 5 --no-user-defaults --set \"Enable 2=on\" --set \"Color 2=@26,10\"" +
                              " --set \"1 : Enable Process=off\"");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "fully transparent")) << run.output;
    EXPECT_TRUE(Contains(run.output, "Color 2    #0280BE")) << run.output;
    EXPECT_TRUE(Contains(run.output, "no match (transparent)")) << run.output;
    EXPECT_FALSE(Contains(run.output, "1 : Color")) << run.output;
    EXPECT_TRUE(Contains(run.output, "(25 transparent, which no key matches)")) << run.output;

    for (const std::string &arguments : {"pick " + input_ + " 40 0", "pick " + input_ + " 0 0 --set \"Color 1=@3,-1\"",
                                         "render " + input_ + " " + Path("o.png") + " --set \"Color 1=@99,1\""}) {
        const CliRun outside = Sallow(arguments);
        EXPECT_EQ(outside.status, 2) << arguments;
        EXPECT_TRUE(Contains(outside.output, "lies outside " + input_ + " (40x30, from 0,0 at the top left)")) << outside.output;
    }
    const CliRun noImage = Sallow("defaults save --set \"Color 1=@1,1\"");
    EXPECT_EQ(noImage.status, 2);
    EXPECT_TRUE(Contains(noImage.output, "this command reads no image")) << noImage.output;
}

TEST_F(SallowTools, SaveParamsWritesTheControlsInEffectForParamsAndDefaultsToReadBack)
{
    // Each source over the one before: stored defaults, --params, --set.
    ASSERT_EQ(Sallow("defaults save --no-user-defaults --set \"Blur Amount=20\" --set \"Enable 2=on\"").status, 0);
    const std::string params = Path("look.ini");
    WriteText(params, "[Version=1.0]\nBlur Amount=15\nColor 2.r=2\nColor 2.g=128\nColor 2.b=190\n");
    const std::string saved = Path("saved.ini"), first = Path("first.png");
    const CliRun run = Sallow("render " + input_ + " " + first + " --params " + params +
                              " --set \"Blur Amount=12\" --set \"Color 1=@12,8\" --save-params " + saved);
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string text = ReadText(saved);
    EXPECT_EQ(text.rfind("[Version=1.0]\nView=1\nBlur Amount=12.000000\nBlur Repeat Num=5\n", 0), 0u) << text;
    for (const char *entry : {"\nEnable 2=1\n", "\nColor 2.r=2\nColor 2.g=128\nColor 2.b=190\nColor 2.a=255\n",
                              "\nColor 1.r=3\nColor 1.g=180\nColor 1.b=245\n", "\n4 : Keep Process=1\n"})
        EXPECT_TRUE(Contains(text, entry)) << entry << "\n" << text;
    // One line per value control, four per colour, and the section.
    EXPECT_EQ(LineCount(text), 1u + 39u + 8u * 4u) << text;

    // The preset alone gives the same frame, with or without stored defaults.
    const std::string second = Path("second.png");
    ASSERT_EQ(Sallow("render " + input_ + " " + second + " --no-user-defaults --params " + saved).status, 0);
    EXPECT_TRUE(SameImage(first, second));
    ASSERT_EQ(Sallow("defaults restore").status, 0);
    ASSERT_EQ(Sallow("defaults save --params " + saved).status, 0);
    const CliRun show = Sallow("defaults show");
    EXPECT_TRUE(Contains(show.output, "* Blur Amount            12.000000")) << show.output;
    EXPECT_TRUE(Contains(show.output, "* Color 2                2,128,190")) << show.output;
    const std::string third = Path("third.png");
    ASSERT_EQ(Sallow("render " + input_ + " " + third).status, 0);
    EXPECT_TRUE(SameImage(first, third));
}

TEST_F(SallowTools, SheetShowsTheInputAndTheSevenViewsLabelledOverACheckerboard)
{
    const std::string sheetPath = Path("sheet.png");
    const std::string settings = " --no-user-defaults --set \"Color 1 Range=5\"";
    const CliRun run = Sallow("sheet " + input_ + " " + sheetPath + settings);
    ASSERT_EQ(run.status, 0) << run.output;
    const LoadedImage loaded = ReadImage(sheetPath, 0);
    const fxhost::World &sheet = *loaded.world;
    // Four columns of at least 120 pixels and two rows, each a 28-pixel label
    // over the 40x30 picture, 8 pixels apart and from the edges.
    constexpr int kColumn = 120, kLabel = 28, kMargin = 8, kWidth = 40, kHeight = 30;
    ASSERT_EQ(sheet.width(), 4 * kColumn + 5 * kMargin);
    ASSERT_EQ(sheet.height(), 2 * (kLabel + kHeight) + 3 * kMargin);
    auto tileLeft = [&](int tile) { return kMargin + tile % 4 * (kColumn + kMargin); };
    auto tileTop = [&](int tile) { return kMargin + tile / 4 * (kLabel + kHeight + kMargin); };

    // The input tile: opaque pixels as they are, transparent ones over the
    // checkerboard's 8-pixel squares.
    const fxhost::World in = SmallFrame();
    for (A_long y = 0; y < kHeight; ++y)
        for (A_long x = 0; x < kWidth; ++x) {
            const PF_Pixel8 &shown = sheet.at<PF_Pixel8>(tileLeft(0) + x, tileTop(0) + kLabel + y);
            const PF_Pixel8 &source = in.at<PF_Pixel8>(x, y);
            const A_u_char checker = (x / 8 + y / 8) % 2 == 0 ? 204 : 153;
            const PF_Pixel8 expected = source.alpha == 255 ? source : PF_Pixel8{255, checker, checker, checker};
            ASSERT_TRUE(shown.red == expected.red && shown.green == expected.green && shown.blue == expected.blue)
                << x << "," << y;
        }
    // The "Normal" tile is the render.
    const std::string normal = Path("normal.png");
    ASSERT_EQ(Sallow("render " + input_ + " " + normal + settings).status, 0);
    const LoadedImage rendered = ReadImage(normal, 0);
    for (A_long y = 0; y < kHeight; ++y)
        for (A_long x = 0; x < kWidth; ++x) {
            const PF_Pixel8 &p = rendered.world->at<PF_Pixel8>(x, y);
            const PF_Pixel8 &shown = sheet.at<PF_Pixel8>(tileLeft(1) + x, tileTop(1) + kLabel + y);
            if (p.alpha == 255) {
                ASSERT_TRUE(shown.red == p.red && shown.green == p.green && shown.blue == p.blue) << x << "," << y;
            }
        }
    // "Process 2" is off: its tile is all checkerboard.
    EXPECT_EQ(sheet.at<PF_Pixel8>(tileLeft(5) + 20, tileTop(5) + kLabel + 3).red, 204);
    EXPECT_EQ(sheet.at<PF_Pixel8>(tileLeft(5) + 9, tileTop(5) + kLabel + 3).red, 153);

    // Labels: light text in every band, a different text in each, and wider
    // for "Process 1" than for "Base".
    std::set<std::string> bands;
    int textWidth[8] = {};
    for (int tile = 0; tile < 8; ++tile) {
        std::string band;
        for (A_long y = 0; y < kLabel; ++y)
            for (A_long x = 0; x < kColumn; ++x) {
                const A_u_char v = sheet.at<PF_Pixel8>(tileLeft(tile) + x, tileTop(tile) + y).green;
                band += v > 128 ? '#' : '.';
                if (v > 128) textWidth[tile] = std::max(textWidth[tile], static_cast<int>(x) + 1);
            }
        EXPECT_GT(textWidth[tile], 10) << tile;
        bands.insert(band);
    }
    EXPECT_EQ(bands.size(), 8u);
    EXPECT_LT(textWidth[3], textWidth[4]);  // "Base", "Process 1"
    EXPECT_LT(textWidth[0], textWidth[2]);  // "Input", "Extract"
}

TEST_F(SallowTools, InfoAndParamsSpeakJsonForScripts)
{
    const CliRun info = Sallow("info --json");
    ASSERT_EQ(info.status, 0) << info.output;
    EXPECT_EQ(LineCount(info.output), 1u);
    for (const char *part : {"\"version\":{\"major\":1,\"minor\":0,\"bugfix\":2,\"stage\":\"release\",\"build\":8,",
                             "\"out_flags\":{\"value\":100663408,", "\"PF_OutFlag2_I_AM_THREADSAFE\"",
                             "\"about\":\"K_Sallowmerine 1.0.2 Release"})
        EXPECT_TRUE(Contains(info.output, part)) << part << "\n" << info.output;

    const CliRun params = Sallow("params --json --no-user-defaults");
    ASSERT_EQ(params.status, 0) << params.output;
    EXPECT_EQ(LineCount(params.output), 1u);
    EXPECT_EQ(Count(params.output, "{\"index\":"), 57u);
    for (const char *part :
         {"{\"host_parameters\":58,\"controls\":[{\"index\":1,\"id\":1,\"name\":\"View\",\"type\":\"popup\",\"value\":1,",
          "{\"value\":3,\"name\":\"Extract\"}", "{\"value\":8,\"name\":\"Process 4\"}]",
          "{\"index\":3,\"id\":54,\"name\":\"Blur Amount\",\"type\":\"float slider\",\"value\":10,\"valid\":[0,1000],"
          "\"slider\":[0,100],\"precision\":1,\"percent\":false,\"enabled\":true,",
          "\"name\":\"Color 1\",\"type\":\"colour\",\"value\":\"#03B4F5\",\"alpha\":255,",
          "\"name\":\"Enable 2\",\"type\":\"checkbox\",\"value\":false,"})
        EXPECT_TRUE(Contains(params.output, part)) << part << "\n" << params.output;
    EXPECT_FALSE(Contains(params.output, "\"(-\""));
}

}  // namespace
