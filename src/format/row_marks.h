// What a row's inline annotations ask the renderer to draw over its characters: a run
// set upright across one cell (縦中横), an emphasis mark beside each character (傍点 and
// its kinds) or a line beside the text (傍線 and its kinds). Byte ranges are [begin, end)
// in the row.
#pragma once

#include <cstdint>

namespace mirvo {

enum class MarkKind : std::uint8_t {
    Upright,   // the run drawn horizontally, scaled into one full-width cell
    Emphasis,  // one EmphasisShape beside each character
    SideLine,  // one SideLineStyle along the characters
};

enum class EmphasisShape : std::uint8_t {
    Sesame,         // ﹅ ゴマ (plain 傍点)
    WhiteSesame,    // ﹆ 白ゴマ
    Circle,         // ● 丸
    WhiteCircle,    // ○ 白丸
    Triangle,       // ▲ 黒三角
    WhiteTriangle,  // △ 白三角
    DoubleCircle,   // ◎ 二重丸
    Bullseye,       // ◉ 蛇の目
    Cross,          // × ばつ
};
constexpr int kEmphasisShapes = 9;

enum class SideLineStyle : std::uint8_t {
    Solid,   // 傍線
    Double,  // 二重傍線
    Chain,   // 鎖線
    Dashed,  // 破線
    Wavy,    // 波線
};
constexpr int kSideLineStyles = 5;

struct RowMark {
    std::uint32_t begin = 0, end = 0;
    MarkKind kind = MarkKind::Upright;
    std::uint8_t style = 0;  // an EmphasisShape or a SideLineStyle
    bool left = false;       // drawn on the left of the column instead of the right
    bool operator==(const RowMark&) const = default;
};

}  // namespace mirvo
