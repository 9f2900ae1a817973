// Rows per page and bytes per row as the formatter, the page renderer and the page
// arithmetic use them. The reader's settings may hold any count (neither the settings
// files nor the settings dialog bound them); a PageLayout is made from them once and is
// workable by construction, so the code that uses it needs no checks of its own.
#pragma once

namespace mirvo {

class PageLayout {
  public:
    // The smallest workable layout: one row a page, one full-width character (2 bytes) a
    // row. A row of one byte would give a page font taller than the page.
    static constexpr int kMinRows = 1;
    static constexpr int kMinRowBytes = 2;
    // The most rows a page. Two hundred columns leave a few pixels a column even on the
    // widest page a screen shows, so no readable layout has more; and every page draws each
    // of its rows, and every illustration or page break is filled out to a whole page row by
    // row, so a larger count would only cost time and memory. A row needs no such bound: it
    // never holds more than the line it comes from.
    static constexpr int kMaxRows = 200;

    // Counts outside the workable layouts are taken as the nearest workable one.
    constexpr PageLayout(int rowCount, int rowBytes)
        : rows_(rowCount < kMinRows   ? kMinRows
                : rowCount > kMaxRows ? kMaxRows
                                      : rowCount),
          rowBytes_(rowBytes < kMinRowBytes ? kMinRowBytes : rowBytes) {}

    constexpr int Rows() const { return rows_; }
    constexpr int RowBytes() const { return rowBytes_; }

    friend constexpr bool operator==(const PageLayout&, const PageLayout&) = default;

  private:
    int rows_;
    int rowBytes_;
};

}  // namespace mirvo
