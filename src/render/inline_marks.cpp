#include "render/inline_marks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "format/cp932.h"
#include "render/page_renderer.h"

namespace mirvo {
namespace {

// A point of the unit square [-1, 1]², y down.
struct Pt {
    double u, v;
};

bool InDisc(Pt p, double r) {
    return p.u * p.u + p.v * p.v <= r * r;
}
bool InRing(Pt p, double r, double t) {
    return InDisc(p, r) && !InDisc(p, std::max(0.0, r - t));
}

// The sesame: a drop from a thin tail at the top left to a round head at the bottom
// right; `inset` shrinks it (for the white sesame's inside).
bool InSesame(Pt p, double inset) {
    const Pt a{-0.56, -0.66}, b{0.24, 0.3};
    const double dx = b.u - a.u, dy = b.v - a.v;
    const double t =
        std::clamp(((p.u - a.u) * dx + (p.v - a.v) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    const double ex = p.u - (a.u + t * dx), ey = p.v - (a.v + t * dy);
    const double r = 0.1 + 0.38 * t - inset;
    return r > 0 && ex * ex + ey * ey <= r * r;
}

// The triangle pointing up, shrunk towards its incentre by `inset`.
bool InTriangle(Pt p, double inset) {
    // Vertices (0, -0.76) and (±0.8, 0.6); each side is moved inwards by `inset`.
    const double top = -0.76, base = 0.6, half = 0.8;
    const double side = std::hypot(half, base - top);
    if (p.v > base - inset) return false;
    // Distance inside the slanted sides: the line through the top and (±half, base).
    const double inside = ((base - top) * (half - std::abs(p.u)) - half * (base - p.v)) / side;
    return inside >= inset;
}

bool InCross(Pt p, double t) {
    if (std::abs(p.u) > 0.68 || std::abs(p.v) > 0.68) return false;
    return std::abs(p.u - p.v) <= t * 0.75 || std::abs(p.u + p.v) <= t * 0.75;
}

// Whether the shape covers point p; `t` is a stroke's width in unit lengths.
bool Covers(EmphasisShape shape, Pt p, double t) {
    switch (shape) {
        case EmphasisShape::Sesame:
            return InSesame(p, 0);
        case EmphasisShape::WhiteSesame:
            return InSesame(p, 0) && !InSesame(p, t * 0.8);
        case EmphasisShape::Circle:
            return InDisc(p, 0.64);
        case EmphasisShape::WhiteCircle:
            return InRing(p, 0.7, t);
        case EmphasisShape::Triangle:
            return InTriangle(p, 0);
        case EmphasisShape::WhiteTriangle:
            return InTriangle(p, 0) && !InTriangle(p, t * 0.9);
        case EmphasisShape::DoubleCircle:
            return InRing(p, 0.92, t * 0.8) || InRing(p, 0.48, t * 0.8);
        case EmphasisShape::Bullseye:
            return InRing(p, 0.92, t * 0.8) || InDisc(p, 0.5);
        case EmphasisShape::Cross:
            return InCross(p, t);
    }
    return false;
}

Color Mix(Color under, Color over, double cover) {
    const auto mix = [&](int a, int b) {
        return static_cast<int>(std::lround(a + (b - a) * cover));
    };
    return MakeColor(mix(RedOf(under), RedOf(over)), mix(GreenOf(under), GreenOf(over)),
                     mix(BlueOf(under), BlueOf(over)));
}

}  // namespace

void DrawEmphasisShape(Bitmap& target, EmphasisShape shape, int cx, int cy, int size, Color color,
                       bool smooth) {
    if (size < 2) size = 2;
    const double half = size / 2.0;
    // A stroke at least 1.2 pixels wide, so that white shapes keep their outline.
    const double t = std::max(0.22, 2.4 / size);
    constexpr int kSamples = 4;
    const int x0 = cx - size / 2, y0 = cy - size / 2;
    for (int y = y0; y < y0 + size; ++y) {
        for (int x = x0; x < x0 + size; ++x) {
            int covered = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Pt p{(x + (sx + 0.5) / kSamples - cx) / half,
                               (y + (sy + 0.5) / kSamples - cy) / half};
                    covered += Covers(shape, p, t) ? 1 : 0;
                }
            }
            const double cover = covered / double(kSamples * kSamples);
            if (smooth && cover > 0) {
                target.SetPixel(x, y, Mix(target.Pixel(x, y), color, cover));
            } else if (!smooth && cover >= 0.5) {
                target.SetPixel(x, y, color);
            }
        }
    }
}

void DrawSideLineShape(Bitmap& target, SideLineStyle style, int x, int y0, int y1, int size,
                       Color color) {
    const int w = std::max(1, size / 8);  // the stroke
    const int left = x - w / 2;
    const auto bar = [&](int xl, int top, int bottom) {
        if (bottom > top) target.FillRect(Rect{xl, top, xl + w, bottom}, color);
    };
    const auto pattern = [&](int on, int period, int dotAt, int dot) {
        for (int y = y0; y < y1; ++y) {
            const int k = ((y % period) + period) % period;
            if (k < on || (dot > 0 && k >= dotAt && k < dotAt + dot)) bar(left, y, y + 1);
        }
    };
    const int unit = std::max(4, size);
    switch (style) {
        case SideLineStyle::Solid:
            bar(left, y0, y1);
            break;
        case SideLineStyle::Double:
            bar(left - w, y0, y1);
            bar(left + w + std::max(1, w), y0, y1);
            break;
        case SideLineStyle::Dashed:  // dashes of half a ruby cell, gaps of a quarter
            pattern(unit / 2, unit * 3 / 4, 0, 0);
            break;
        case SideLineStyle::Chain:  // a long dash and a dot
            pattern(unit * 3 / 5, unit, unit * 3 / 4, std::max(1, w));
            break;
        case SideLineStyle::Wavy: {
            const double amplitude = std::max(1.0, size / 6.0);
            const double period = std::max(4.0, size * 0.8);
            int prev = left + static_cast<int>(std::lround(
                                  amplitude * std::sin(2 * std::numbers::pi * y0 / period)));
            for (int y = y0; y < y1; ++y) {
                const int xs = left + static_cast<int>(std::lround(
                                          amplitude * std::sin(2 * std::numbers::pi * y / period)));
                const int a = std::min(prev, xs), b = std::max(prev, xs);
                target.FillRect(Rect{a, y, b + w, y + 1}, color);
                prev = xs;
            }
            break;
        }
    }
}

void DrawUprightText(VerticalFont& face, VerticalFont& scaled, Bitmap& target, std::string_view run,
                     int x, int y, Color color, bool smooth) {
    const std::string utf8 = Cp932ToUtf8(run);
    const int h = face.Height();
    VerticalFont* font = &face;
    int width = face.HorizontalWidth(utf8);
    if (width > h && h > 0) {
        scaled.Configure(face.Face().family.empty() ? std::string() : face.Face().family,
                         std::max(1, h * h / width), face.Bold(), smooth);
        font = &scaled;
        width = scaled.HorizontalWidth(utf8);
    }
    font->DrawHorizontal(target, utf8, x - h + (h - width) / 2, y + (h - font->Height()) / 2,
                         color);
}

std::string UprightCellText(std::string_view run) {
    if (run.size() == 2) return std::string(run);
    if (run.size() > 2 && CharLengthAt(run, 0) == 1 && CharLengthAt(run, 1) == 1) {
        return std::string(run.substr(0, 2));
    }
    std::string cell(run.substr(0, CharLengthAt(run, 0)));
    if (cell.size() < 2) cell += ' ';
    return cell;
}

void InlineRowMarks::BeginRow(const RowStyle* style) {
    style_ = style && !style->marks.empty() ? style : nullptr;
    chars_.clear();
    ruby_.clear();
}

const RowMark* InlineRowMarks::UprightAt(int at) const {
    if (!style_) return nullptr;
    for (const RowMark& m : style_->marks) {
        if (m.kind == MarkKind::Upright && static_cast<int>(m.begin) == at) return &m;
    }
    return nullptr;
}

void InlineRowMarks::Char(int at, int bytes, int x, int y) {
    if (!style_) return;
    const int bottom = y + std::max(1, static_cast<int>(std::lround(bytes * g_.bytePitch)));
    chars_.push_back({at, x, y, bottom});
}

void InlineRowMarks::Ruby(int x, int top, int bottom) {
    if (style_) ruby_.push_back({0, x, top, bottom});
}

// Right of the column the marks' lane begins at the body cell's edge, or past the ruby
// beside the character; left of it the lane ends at the body cell's left edge. Where the
// room between the ruby and the next column cannot hold a mark, a character with ruby
// has its marks on the left instead: they never cover the ruby or the next column.
InlineRowMarks::Lane InlineRowMarks::LaneOf(const Drawn& c, bool left) const {
    const Lane leftLane{c.x - g_.bodyHeight, true};
    if (left) return leftLane;
    int x = c.x;
    for (const Drawn& r : ruby_) {
        if (r.top < c.bottom && c.top < r.bottom) x = std::max(x, r.x);
    }
    const double room = c.x + g_.columnPitch - g_.bodyHeight - x;
    if (x != c.x && room < 0.8 * g_.rubyHeight) return leftLane;
    return {x, false};
}

void InlineRowMarks::EndRow(Color color) {
    if (!style_) return;
    const int size = g_.rubyHeight;
    for (const RowMark& m : style_->marks) {
        if (m.kind == MarkKind::SideLine) DrawLines(m, color);
        if (m.kind != MarkKind::Emphasis) continue;
        for (const Drawn& c : chars_) {
            if (c.at < static_cast<int>(m.begin) || c.at >= static_cast<int>(m.end)) continue;
            const Lane lane = LaneOf(c, m.left);
            const int cx = lane.left ? lane.x - size / 2 : lane.x + size / 2;
            painter_.DrawMark(target_, static_cast<EmphasisShape>(m.style), cx,
                              (c.top + c.bottom) / 2, size, color, g_.smooth);
        }
    }
}

// One line for each run of characters that follow each other down the same lane.
void InlineRowMarks::DrawLines(const RowMark& m, Color color) {
    const int gap = std::max(1, g_.rubyHeight / 4);
    bool open = false;
    int x = 0, top = 0, bottom = 0;
    const auto flush = [&] {
        if (open) {
            painter_.DrawSideLine(target_, static_cast<SideLineStyle>(m.style), x, top, bottom,
                                  g_.rubyHeight, color);
        }
        open = false;
    };
    for (const Drawn& c : chars_) {
        if (c.at < static_cast<int>(m.begin) || c.at >= static_cast<int>(m.end)) continue;
        const Lane lane = LaneOf(c, m.left);
        const int lx = lane.left ? lane.x - gap : lane.x + gap;
        if (open && lx == x && c.top <= bottom + 1) {
            bottom = std::max(bottom, c.bottom);
            continue;
        }
        flush();
        open = true;
        x = lx;
        top = c.top;
        bottom = c.bottom;
    }
    flush();
}

}  // namespace mirvo
