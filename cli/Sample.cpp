// sallow sample: draws the bundled test frame, a cel-style picture of flat
// fills with dark outlines and hard, stair-stepped edges.
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "ImageFile.h"

namespace {

struct Point {
    double x, y;
};

using Inside = std::function<bool(double x, double y)>;

constexpr PF_Pixel kOutline = {255, 40, 30, 48};
constexpr double kOutlineWidth = 2.0;

double SegmentDistance(Point p, Point a, Point b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
    t = std::fmax(0, std::fmin(1, t));
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool InPolygon(const std::vector<Point> &polygon, Point p)
{
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point a = polygon[i], b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

double PolygonEdgeDistance(const std::vector<Point> &polygon, Point p)
{
    double best = 1e9;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++)
        best = std::fmin(best, SegmentDistance(p, polygon[j], polygon[i]));
    return best;
}

class Canvas {
public:
    Canvas(A_long width, A_long height) : world_(width, height, PF_PixelFormat_ARGB32) {}

    void Fill(PF_Pixel colour)
    {
        for (A_long y = 0; y < world_.height(); ++y)
            for (A_long x = 0; x < world_.width(); ++x) world_.at<PF_Pixel8>(x, y) = colour;
    }

    // A flat shape with a dark outline around it, without anti-aliasing.
    void Polygon(const std::vector<Point> &points, PF_Pixel colour, bool outline = true)
    {
        Paint([&](Point p) { return InPolygon(points, p); },
              [&](Point p) { return outline && PolygonEdgeDistance(points, p) <= kOutlineWidth; }, colour);
    }

    void Disc(Point centre, double radius, PF_Pixel colour, bool outline = true)
    {
        Paint([&](Point p) { return std::hypot(p.x - centre.x, p.y - centre.y) <= radius; },
              [&](Point p) {
                  return outline && std::fabs(std::hypot(p.x - centre.x, p.y - centre.y) - radius) <= kOutlineWidth;
              },
              colour);
    }

    const fxhost::World &world() const { return world_; }

private:
    template <class InsideTest, class EdgeTest>
    void Paint(InsideTest inside, EdgeTest edge, PF_Pixel colour)
    {
        for (A_long y = 0; y < world_.height(); ++y) {
            for (A_long x = 0; x < world_.width(); ++x) {
                const Point p{x + 0.5, y + 0.5};
                if (edge(p))
                    world_.at<PF_Pixel8>(x, y) = kOutline;
                else if (inside(p))
                    world_.at<PF_Pixel8>(x, y) = colour;
            }
        }
    }

    fxhost::World world_;
};

}  // namespace

int RunSample(const std::string &outputPath)
{
    Canvas canvas(480, 270);
    canvas.Fill({255, 196, 222, 238});
    canvas.Polygon({{-5, 200}, {485, 170}, {485, 275}, {-5, 275}}, {255, 118, 178, 92});
    canvas.Disc({400, 60}, 28, {255, 250, 236, 140});
    // Body, head and hair of a character; the hair uses the effect's default
    // key colour, its shadow a second blue.
    canvas.Polygon({{180, 250}, {300, 250}, {280, 160}, {200, 160}}, {255, 214, 64, 72});
    canvas.Polygon({{225, 175}, {255, 175}, {240, 205}}, {255, 250, 250, 250});
    canvas.Disc({240, 110}, 55, {255, 250, 214, 186});
    canvas.Polygon({{182, 112}, {190, 70}, {215, 50}, {250, 45}, {285, 58}, {300, 90}, {298, 118}, {278, 92},
                    {262, 108}, {246, 84}, {226, 104}, {210, 88}, {196, 120}},
                   {255, 3, 180, 245});
    canvas.Polygon({{250, 50}, {285, 60}, {296, 92}, {280, 80}, {262, 88}}, {255, 2, 128, 190}, false);
    canvas.Disc({220, 125}, 6, {255, 40, 30, 48}, false);
    canvas.Disc({262, 125}, 6, {255, 40, 30, 48}, false);
    canvas.Polygon({{228, 148}, {254, 148}, {241, 156}}, {255, 200, 80, 90});
    // A staircase of one-pixel steps and a flat block with a notch.
    canvas.Polygon({{30, 240}, {130, 140}, {150, 160}, {50, 260}}, {255, 250, 196, 40});
    canvas.Polygon({{340, 150}, {440, 150}, {440, 240}, {400, 240}, {400, 200}, {340, 200}}, {255, 150, 100, 210});
    WriteImage(outputPath, canvas.world(), FileDepth::Eight);
    return 0;
}

void AddSampleCommand(CLI::App &app, CommandAction &action)
{
    CLI::App *sample = app.add_subcommand("sample", "draw the bundled cel-style test frame (samples/cel-frame.png)");
    auto output = std::make_shared<std::string>();
    sample->add_option("OUTPUT", *output, "the image file to write")->required();
    sample->callback([&action, output] { action = [output] { return RunSample(*output); }; });
}
