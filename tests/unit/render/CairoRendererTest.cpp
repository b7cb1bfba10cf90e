#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <set>

#include "platform/FileIO.h"
#include "platform/TemporaryFolder.h"
#include "platform/host/PangoTextMeasurer.h"
#include "render/RenderTestSupport.h"

namespace tarnlet {
namespace {

namespace fs = std::filesystem;
using test::Image;
using test::rectPath;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

Drawing canvas(double w, double h) { return Drawing{{w, h}, {}}; }

TEST(CairoRendererGeometry, FilledPathInksItsAreaOnlyAndYPointsUp) {
    Drawing d = canvas(20, 20);
    d.ops.push_back(draw::FillPath{rectPath(0, 0, 20, 5), Color::black()});
    d.ops.push_back(draw::FillPath{rectPath(8, 10, 4, 4), Color::rgb255(255, 0, 0)});
    const Image image = Image::of(d);
    ASSERT_EQ(image.width, 20);
    ASSERT_EQ(image.height, 20);

    // The band at y 0…5 lands in the bottom rows of the image.
    for (int x : {0, 10, 19}) {
        const auto p = image.fromBottom(x, 2);
        EXPECT_EQ(p.a, 255);
        EXPECT_EQ(p.r + p.g + p.b, 0);
        EXPECT_EQ(image.at(x, 2).a, 0) << "the top rows stay empty";
    }
    EXPECT_EQ(image.fromBottom(10, 5).a, 0) << "nothing above the band";
    const auto red = image.fromBottom(10, 12);
    EXPECT_EQ(red.r, 255);
    EXPECT_EQ(red.a, 255);
    EXPECT_EQ(image.fromBottom(7, 12).a, 0);
    EXPECT_EQ(image.fromBottom(12, 12).a, 0);
    EXPECT_EQ(image.ink(), 20 * 5 + 4 * 4);
}

TEST(CairoRendererGeometry, ScaleMultipliesThePixelSize) {
    Drawing d = canvas(10, 8);
    d.ops.push_back(draw::FillPath{rectPath(0, 0, 5, 8), Color::black()});
    const Image image = Image::of(d, 2);
    ASSERT_EQ(image.width, 20);
    ASSERT_EQ(image.height, 16);
    EXPECT_EQ(image.at(9, 0).a, 255);
    EXPECT_EQ(image.at(10, 0).a, 0);
    EXPECT_EQ(image.ink(), 10 * 16);

    const Image fractional = Image::of(canvas(46, 10), 1.1);
    EXPECT_EQ(fractional.width, 51);  // 50.6 pixels round up to whole ones
    EXPECT_EQ(fractional.height, 11);
}

TEST(CairoRendererGeometry, QuadraticCurvesBulgeTowardsTheirControlPoint) {
    Drawing d = canvas(20, 20);
    Path p;
    p.moveTo({0, 0}).quadTo({20, 0}, {10, 20}).close();
    d.ops.push_back(draw::FillPath{p, Color::black()});
    const Image image = Image::of(d);
    // The curve peaks at half the control point's height.
    EXPECT_EQ(image.fromBottom(10, 8).a, 255);
    EXPECT_EQ(image.fromBottom(10, 11).a, 0);
}

TEST(CairoRendererStroke, StrokeEndDrawsOnlyTheLeadingPartWithButtCaps) {
    auto line = [](double strokeEnd) {
        Drawing d = canvas(40, 10);
        Path p;
        p.moveTo({0, 5}).lineTo({40, 5});
        d.ops.push_back(draw::StrokePath{p, Color::white(), 4, strokeEnd});
        return Image::of(d);
    };
    const Image half = line(0.5);
    EXPECT_EQ(half.fromBottom(1, 5).a, 255);
    EXPECT_EQ(half.fromBottom(19, 5).a, 255);
    EXPECT_EQ(half.fromBottom(20, 5).a, 0) << "a square cap would reach two points further";
    EXPECT_EQ(half.fromBottom(19, 7).a, 0) << "the stroke is 4 wide, centred on y 5";
    EXPECT_EQ(half.ink(), 20 * 4);

    EXPECT_EQ(line(1).ink(), 40 * 4);
    EXPECT_EQ(line(0).ink(), 0);
    EXPECT_EQ(line(kNaN).ink(), 0);
    EXPECT_EQ(line(3).ink(), 40 * 4) << "beyond the end is the whole path";
}

TEST(CairoRendererStroke, PartialStrokeOfAClosedPathFollowsItsSidesInOrder) {
    // A 20 × 20 square drawn from its bottom-left corner: half of its length is the bottom side
    // and the right side.
    Drawing d = canvas(30, 30);
    Path p = rectPath(5, 5, 20, 20);
    d.ops.push_back(draw::StrokePath{p, Color::black(), 2, 0.5});
    const Image image = Image::of(d);
    EXPECT_GT(image.fromBottom(15, 5).a, 0);   // bottom side
    EXPECT_GT(image.fromBottom(25, 15).a, 0);  // right side
    EXPECT_EQ(image.fromBottom(15, 25).a, 0);  // top side not yet
    EXPECT_EQ(image.fromBottom(5, 15).a, 0);   // left side not yet
}

TEST(CairoRendererShapes, RoundedRectFillsThenBordersInside) {
    Drawing d = canvas(20, 20);
    d.ops.push_back(draw::RoundedRect{Rect(2, 2, 16, 16), 0, Color::rgb255(255, 0, 0), Color::rgb255(0, 0, 255), 2});
    const Image image = Image::of(d);
    const auto centre = image.fromBottom(10, 10);
    EXPECT_EQ(centre.r, 255);
    EXPECT_EQ(centre.b, 0);
    const auto edge = image.fromBottom(2, 10);
    EXPECT_EQ(edge.b, 255);
    EXPECT_EQ(edge.a, 255);
    EXPECT_EQ(image.fromBottom(3, 10).b, 255) << "the border is two points wide";
    EXPECT_EQ(image.fromBottom(4, 10).r, 255);
    EXPECT_EQ(image.fromBottom(1, 10).a, 0) << "the border stays inside the rectangle";
    EXPECT_EQ(image.ink(), 16 * 16);
}

TEST(CairoRendererShapes, CornerRadiusClearsTheCorners) {
    Drawing d = canvas(20, 20);
    d.ops.push_back(draw::RoundedRect{Rect(0, 0, 20, 20), 100, Color::black(), std::nullopt, 0});
    const Image image = Image::of(d);
    // An oversized radius becomes half the side: a circle.
    EXPECT_EQ(image.at(0, 0).a, 0);
    EXPECT_EQ(image.at(19, 19).a, 0);
    EXPECT_EQ(image.at(10, 10).a, 255);
    EXPECT_GT(image.at(10, 0).a, 200) << "the circle touches the edge";
}

TEST(CairoRendererShapes, PictureDrawsASoftPlaceholder) {
    Drawing d = canvas(20, 20);
    d.ops.push_back(draw::Picture{"com.example.app", Rect(0, 0, 20, 20)});
    const Image image = Image::of(d);
    const auto p = image.at(10, 10);
    EXPECT_EQ(p.r, 255);
    EXPECT_NEAR(p.a, 0.3 * 255, 1.5);
}

TEST(CairoRendererStates, PushStateFadesAndClipsUntilItsPop) {
    Drawing d = canvas(20, 10);
    d.ops.push_back(draw::PushState{0.5, rectPath(0, 0, 10, 10)});
    d.ops.push_back(draw::FillPath{rectPath(0, 0, 20, 10), Color::black()});
    d.ops.push_back(draw::PopState{});
    d.ops.push_back(draw::FillPath{rectPath(15, 0, 5, 10), Color::black()});
    const Image image = Image::of(d);
    EXPECT_NEAR(image.at(5, 5).a, 128, 1);
    EXPECT_EQ(image.at(12, 5).a, 0) << "clipped away";
    EXPECT_EQ(image.at(17, 5).a, 255) << "after the pop, full opacity and no clip";
}

TEST(CairoRendererStates, NestedStatesMultiplyAndUnbalancedOnesAreHarmless) {
    Drawing d = canvas(10, 10);
    d.ops.push_back(draw::PopState{});  // nothing to close
    d.ops.push_back(draw::PushState{0.5, std::nullopt});
    d.ops.push_back(draw::PushState{0.5, std::nullopt});
    d.ops.push_back(draw::FillPath{rectPath(0, 0, 10, 10), Color::black()});
    // Both states are left open: their content must still reach the image.
    const Image image = Image::of(d);
    EXPECT_NEAR(image.at(5, 5).a, 64, 1);
}

TEST(CairoRendererBadInput, RefusedDrawingsGiveNoPixels) {
    int w = -1, h = -1;
    EXPECT_TRUE(host::CairoRenderer::renderRGBA(canvas(0, 0), 1, w, h).empty());
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    for (double scale : {0.0, -1.0, kNaN, std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(Image::of(canvas(10, 10), scale).rgba.empty()) << scale;
    for (Size size : {Size{-5, 10}, Size{kNaN, 10}, Size{10, 1e9}})
        EXPECT_TRUE(Image::of(Drawing{size, {}}).rgba.empty()) << size;
    EXPECT_FALSE(host::CairoRenderer::renderPNG(canvas(0, 10), 1, "/tmp/never-written.png").ok());
}

TEST(CairoRendererBadInput, NonFiniteValuesSkipTheirOpAndKeepTheRest) {
    Drawing d = canvas(10, 10);
    Path bad;
    bad.moveTo({0, 0}).lineTo({kNaN, 5}).lineTo({10, 10}).close();
    Path huge;
    huge.moveTo({0, 0}).lineTo({1e300, 5}).lineTo({0, 10}).close();
    d.ops.push_back(draw::FillPath{bad, Color::black()});
    d.ops.push_back(draw::FillPath{huge, Color::black()});
    d.ops.push_back(draw::StrokePath{bad, Color::black(), 2, 0.5});
    d.ops.push_back(draw::StrokePath{rectPath(0, 0, 10, 10), Color::black(), kNaN, 1});
    d.ops.push_back(draw::RoundedRect{Rect(kNaN, 0, 5, 5), 2, Color::black(), Color::black(), 1});
    d.ops.push_back(draw::Text{"x", Font{}, Color::black(), Rect(0, kNaN, 10, 10)});
    d.ops.push_back(draw::Symbol{"eye.fill", Rect(0, 0, kNaN, 10), Color::white()});
    d.ops.push_back(draw::PushState{kNaN, bad});
    d.ops.push_back(draw::FillPath{rectPath(0, 0, 10, 10), Color::black()});
    d.ops.push_back(draw::PopState{});
    d.ops.push_back(draw::FillPath{rectPath(0, 0, 2, 2), Color{kNaN, 2, -1, 1}});
    const Image image = Image::of(d);
    ASSERT_EQ(image.width, 10);
    EXPECT_EQ(image.ink(), 4) << "only the last, valid square is drawn";
    const auto p = image.fromBottom(0, 0);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.g, 255);
    EXPECT_EQ(p.b, 0);
}

TEST(CairoRendererText, TextInksItsFrameFromTheTopLeftInItsColour) {
    host::PangoTextMeasurer measurer;
    const Font font{FontRole::system, 20, true};
    const Size size = measurer.measure("Hello", font);
    Drawing d = canvas(120, 60);
    const Rect frame(10, 10, size.width, size.height);
    d.ops.push_back(draw::Text{"Hello", font, Color::rgb255(0, 255, 0), frame});
    const Image image = Image::of(d);

    const int top = image.height - static_cast<int>(std::ceil(frame.maxY()));
    const int bottom = image.height - static_cast<int>(frame.minY());
    const int right = static_cast<int>(std::ceil(frame.maxX()));
    EXPECT_GT(image.inkIn(10, top, right, bottom), 50);
    EXPECT_EQ(image.ink(), image.inkIn(9, top, right + 1, bottom)) << "every glyph stays inside its line box";
    // The glyphs reach across nearly the whole measured width: layout and measurement agree.
    EXPECT_GT(image.inkIn(right - 4, top, right, bottom), 0);

    bool sawGreen = false;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const auto p = image.at(x, y);
            if (p.a == 255) sawGreen = sawGreen || (p.g == 255 && p.r == 0 && p.b == 0);
        }
    EXPECT_TRUE(sawGreen);
}

TEST(CairoRendererText, TextLongerThanItsFrameIsCutShort) {
    host::PangoTextMeasurer measurer;
    const Font font{FontRole::system, 12, false};
    const std::string text = "a sentence far too long for a small frame";
    ASSERT_GT(measurer.measure(text, font).width, 60);
    Drawing d = canvas(200, 20);
    d.ops.push_back(draw::Text{text, font, Color::black(), Rect(0, 0, 60, 20)});
    const Image image = Image::of(d);
    EXPECT_GT(image.inkIn(0, 0, 60, 20), 0);
    EXPECT_EQ(image.inkIn(61, 0, 200, 20), 0);
}

TEST(CairoRendererSymbols, SymbolsAreTintedAndUnknownNamesGetTheOutlinePlaceholder) {
    auto symbol = [](const std::string& name, Color tint) {
        Drawing d = canvas(24, 24);
        d.ops.push_back(draw::Symbol{name, Rect(0, 0, 24, 24), tint});
        return Image::of(d, 2);
    };

    const Image eye = symbol("eye.fill", Color::rgb255(229, 72, 77));
    int solid = 0, foreign = 0;
    for (int y = 0; y < eye.height; ++y)
        for (int x = 0; x < eye.width; ++x) {
            const auto p = eye.at(x, y);
            if (p.a == 0) continue;
            if (p.a == 255 && p.r == 229 && p.g == 72 && p.b == 77) ++solid;
            // Edges are partly transparent but keep the tint's hue (faint pixels carry too few bits
            // of colour to compare).
            if (p.a >= 64 && (std::abs(p.r - 229) > 4 || std::abs(p.g - 72) > 4 || std::abs(p.b - 77) > 4)) ++foreign;
        }
    EXPECT_GT(solid, 50);
    EXPECT_EQ(foreign, 0) << "the icon's own colours never show";

    const Image unknown = symbol("no.such.symbol", Color::white());
    EXPECT_GT(unknown.ink(), 50);
    EXPECT_EQ(unknown.inkIn(16, 16, 32, 32), 0) << "an outline, hollow in the middle";
    EXPECT_EQ(unknown.at(24, 24).a, 0);
    EXPECT_EQ(unknown.at(0, 24).a, 0) << "inset from the box";
    EXPECT_EQ(unknown.at(5, 24).a, 255);

    const Image one = symbol("1.square", Color::white());
    EXPECT_GT(one.inkIn(16, 16, 32, 32), 10) << "a digit in the square";
    EXPECT_EQ(one.at(5, 24).a, 255);
}

TEST(CairoRendererSymbols, SymbolsKeepTheirAspectRatioInAWideBox) {
    Drawing d = canvas(60, 20);
    d.ops.push_back(draw::Symbol{"keyboard", Rect(0, 0, 60, 20), Color::black()});
    const Image image = Image::of(d);
    EXPECT_GT(image.inkIn(20, 0, 40, 20), 0);
    EXPECT_EQ(image.inkIn(0, 0, 19, 20), 0) << "centred, not stretched";
    EXPECT_EQ(image.inkIn(41, 0, 60, 20), 0);
}

class CairoRendererPNG : public ::testing::Test {
protected:
    TemporaryFolder folder{"tarnlet-render"};

    static Drawing sample() {
        Drawing d = canvas(30, 20);
        d.ops.push_back(draw::FillPath{rectPath(0, 0, 30, 10), Color::black()});
        return d;
    }

    std::set<std::string> names(const fs::path& in) const {
        std::set<std::string> out;
        for (const auto& entry : fs::directory_iterator(in)) out.insert(entry.path().filename().string());
        return out;
    }
};

TEST_F(CairoRendererPNG, WritesADecodablePNGOfThePixelSize) {
    const fs::path file = folder.path() / "shots" / "bar.png";
    ASSERT_TRUE(host::CairoRenderer::renderPNG(sample(), 2, file).ok());
    EXPECT_EQ(names(file.parent_path()), (std::set<std::string>{"bar.png"}));

    cairo_surface_t* png = cairo_image_surface_create_from_png(file.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 60);
    EXPECT_EQ(cairo_image_surface_get_height(png), 40);
    cairo_surface_flush(png);
    const unsigned char* data = cairo_image_surface_get_data(png);
    const int stride = cairo_image_surface_get_stride(png);
    auto alphaAt = [&](int x, int y) { return reinterpret_cast<const std::uint32_t*>(data + y * stride)[x] >> 24; };
    EXPECT_EQ(alphaAt(5, 39), 255u);
    EXPECT_EQ(alphaAt(5, 0), 0u) << "the background stays transparent";
    cairo_surface_destroy(png);

    // A second render replaces the first in place.
    ASSERT_TRUE(host::CairoRenderer::renderPNG(canvas(5, 5), 1, file).ok());
    EXPECT_EQ(names(file.parent_path()), (std::set<std::string>{"bar.png"}));
}

TEST_F(CairoRendererPNG, FailedWritesLeaveNothingBehind) {
    // A regular file where the folder should be.
    ASSERT_TRUE(FileIO::writeAtomically(folder.path() / "blocker", "x").ok());
    const auto blocked = host::CairoRenderer::renderPNG(sample(), 1, folder.path() / "blocker" / "bar.png");
    EXPECT_FALSE(blocked.ok());
    EXPECT_FALSE(blocked.error().empty());

    // A folder where the file should be.
    fs::create_directory(folder.path() / "taken.png");
    EXPECT_FALSE(host::CairoRenderer::renderPNG(sample(), 1, folder.path() / "taken.png").ok());
    EXPECT_EQ(names(folder.path()), (std::set<std::string>{"blocker", "taken.png"}));
    EXPECT_TRUE(fs::is_empty(folder.path() / "taken.png"));
    EXPECT_EQ(FileIO::readFile(folder.path() / "blocker"), "x");

    if (::geteuid() != 0) {  // the superuser writes anywhere
        const fs::path locked = folder.path() / "locked";
        fs::create_directory(locked);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(host::CairoRenderer::renderPNG(sample(), 1, locked / "bar.png").ok());
        EXPECT_TRUE(fs::is_empty(locked));
        fs::permissions(locked, fs::perms::owner_all);
    }
}

}  // namespace
}  // namespace tarnlet
