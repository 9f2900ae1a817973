#include "render/glyph_counters.h"

#include <algorithm>
#include <utility>

namespace mirvo::test {

Counters FindCounters(const Bitmap& picture, Color background) {
    const int w = picture.Width(), h = picture.Height();
    Counters result;
    result.label.assign(static_cast<std::size_t>(w) * h, 0);
    constexpr int kOpen = -1;
    std::vector<std::pair<int, int>> stack;
    auto flood = [&](int x0, int y0, int mark) {
        auto at = [&](int x, int y) -> int& {
            return result.label[static_cast<std::size_t>(y) * w + x];
        };
        if (at(x0, y0) != 0 || picture.Pixel(x0, y0) != background) return false;
        at(x0, y0) = mark;
        stack.emplace_back(x0, y0);
        while (!stack.empty()) {
            const auto [x, y] = stack.back();
            stack.pop_back();
            const int next[4][2] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
            for (const auto& [nx, ny] : next) {
                if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                if (at(nx, ny) != 0 || picture.Pixel(nx, ny) != background) continue;
                at(nx, ny) = mark;
                stack.emplace_back(nx, ny);
            }
        }
        return true;
    };
    for (int x = 0; x < w; ++x) {
        flood(x, 0, kOpen);
        flood(x, h - 1, kOpen);
    }
    for (int y = 0; y < h; ++y) {
        flood(0, y, kOpen);
        flood(w - 1, y, kOpen);
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (flood(x, y, result.count + 1)) ++result.count;
        }
    }
    for (int& l : result.label) l = l < 0 ? 0 : l;
    return result;
}

int KeptCounters(const Bitmap& regular, const Bitmap& bold, Color background) {
    if (regular.Width() != bold.Width() || regular.Height() != bold.Height()) return 0;
    const Counters before = FindCounters(regular, background);
    const Counters after = FindCounters(bold, background);
    std::vector<bool> kept(static_cast<std::size_t>(before.count) + 1, false);
    const std::size_t n = std::min(before.label.size(), after.label.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (before.label[i] > 0 && after.label[i] > 0) kept[before.label[i]] = true;
    }
    int count = 0;
    for (int c = 1; c <= before.count; ++c) count += kept[c];
    return count;
}

}  // namespace mirvo::test
