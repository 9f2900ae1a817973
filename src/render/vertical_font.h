// Text faces for the pages and the covers, on fontconfig, FreeType and HarfBuzz.
//
// A VerticalFont draws one CP932 character at a text point (X, Y), the top-left corner
// of the unturned character cell. Turned for vertical writing, the cell covers x from
// X - h to X and y from Y to Y + advance (h = the cell height, which is also the em
// square). A double-byte character stands upright in the cell (using the face's
// vertical alternate where it has one: 「」、。ー…（ and so on) and advances h; a
// single-byte character lies on its side, turned 90 degrees clockwise, its baseline
// running down at x = X - ascent, and advances by its horizontal advance.
//
// The em box: an upright glyph's em square fills its cell with the top of the face's
// ideographic em box at the cell top. The em box comes from the face's BASE table where
// it has one, else it reaches 0.88 em above the baseline and 0.12 em below it.
//
// Glyphs are monochrome (no smoothing) and only glyph pixels are written, in the given
// colour; or, for book typesetting, grey-level coverage from FreeType with light hinting,
// laid over the page (a synthetic bold then thickens the outline by 1/24 em, keeping its
// place in the em box). The same object also draws a horizontal line of UTF-8 text (the cover title
// and author).
//
// Bold: the face's own bold style when fontconfig has one for the family. Otherwise the
// glyphs get a synthetic bold that widens their strokes along their own rows only (across
// the column for upright characters: the stacked horizontal strokes of complex kanji lie
// closer than their vertical ones) by about 1/24 of the cell, where a gap between two
// strokes gives up at most half its width: strokes never run together and the counters
// (the enclosed white of 口 or 隹) stay open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "render/bitmap.h"

namespace mirvo {

// The face file fontconfig chooses for a requested face name (UTF-8).
struct ResolvedFace {
    std::string file;
    int index = 0;
    bool hasBold = false;  // the file itself is a bold style
    std::string family;
};

// The first face fontconfig offers for Japanese (outline faces, best match first) whose
// characters include every code point of `text`; an empty file when there is none. Kept
// for the process.
ResolvedFace FaceCovering(std::u32string_view text);

// Resolves `name` (a leading "@" is dropped) with lang=ja; when the match does not cover
// Japanese, falls back to the default Japanese sans-serif, or serif for names that
// contain 明朝 or Mincho. `bold` asks for the face's bold style.
ResolvedFace ResolveJapaneseFace(const std::string& name, bool bold);

constexpr int kMaxFontHeight = 4096;

// The most bytes of glyphs one font object keeps for reuse. The glyphs of a whole novel at
// any readable size take a small part of it; only cells hundreds of pixels high fill it,
// and then the glyphs kept so far are let go and rendered again when drawn.
constexpr std::size_t kGlyphCacheBytes = 32u << 20;

class VerticalFont {
  public:
    VerticalFont();
    ~VerticalFont();
    VerticalFont(const VerticalFont&) = delete;
    VerticalFont& operator=(const VerticalFont&) = delete;

    // Face name (UTF-8, "@" allowed), cell height in pixels, weight, and grey-level
    // glyphs (`smooth`) or monochrome ones. Cheap when nothing changes, so it may be
    // called for every page. Heights below 1 or above kMaxFontHeight (only reachable
    // through absurd settings) draw nothing.
    void Configure(const std::string& name, int height, bool bold, bool smooth = false);

    int Height() const { return height_; }
    bool Bold() const { return bold_; }
    // The face's horizontal ascender at this size, in whole pixels.
    int Ascent() const;
    const ResolvedFace& Face() const { return face_; }
    // Bytes of the glyphs kept for reuse (at most kGlyphCacheBytes).
    std::size_t CachedGlyphBytes() const;

    // Draws the CP932 character `ch` (one or two bytes) turned for vertical writing with
    // its text point at (x, y). Returns the advance down the column in pixels.
    int DrawVertical(Bitmap& target, std::string_view ch, int x, int y, Color color);

    // Draws the character `text` (Unicode code points, such as a book's extra character:
    // one code point, or a base with its combining mark) upright in its cell with its text
    // point at (x, y), as DrawVertical draws a double-byte character (with its vertical
    // form). When this face lacks one of the code points, the character comes from the
    // first installed face that fontconfig offers for Japanese that has them all (the
    // choice is kept for the process); with none, this face's missing-glyph box. Returns
    // the advance (the cell height).
    int DrawUpright(Bitmap& target, std::u32string_view text, int x, int y, Color color);

    // The rectangle of the pixels DrawVertical would write for `ch` at (x, y) (the
    // glyph's bitmap box; empty when nothing would be drawn).
    Rect GlyphBox(std::string_view ch, int x, int y);

    // Draws UTF-8 `text` horizontally, (x, y) being the top-left corner of the first
    // cell. Returns the width drawn.
    int DrawHorizontal(Bitmap& target, std::string_view utf8, int x, int y, Color color);
    // The width DrawHorizontal would draw `utf8` with.
    int HorizontalWidth(std::string_view utf8);

  private:
    // Shapes `utf8` and draws it when `target` is given; returns the width.
    int Horizontal(Bitmap* target, std::string_view utf8, int x, int y, Color color);
    struct Impl;
    std::unique_ptr<Impl> impl_;
    ResolvedFace face_;
    std::string name_;
    int height_ = 0;
    bool bold_ = false;
};

}  // namespace mirvo
