#include "render/vertical_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <hb-ft.h>
#include <hb-ot.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "format/cp932.h"

namespace mirvo {
namespace {

// One FreeType library for the whole program; fonts are used on one thread.
FT_Library Library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        FT_Init_FreeType(&l);
        return l;
    }();
    return lib;
}

// Decodes the first code point of UTF-8 text; 0xFFFD for a broken sequence.
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    int extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
        ++i;
        return c;
    } else if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + extra >= s.size()) {
        i = s.size();
        return 0xFFFD;
    }
    for (int k = 1; k <= extra; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) {
            i += k;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    i += extra + 1;
    return cp;
}

bool CoversJapanese(FcPattern* p) {
    FcLangSet* ls = nullptr;
    if (FcPatternGetLangSet(p, FC_LANG, 0, &ls) != FcResultMatch || !ls) return false;
    return FcLangSetHasLang(ls, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
}

bool MatchFace(const std::string& family, bool bold, ResolvedFace& out, bool requireJapanese) {
    FcPattern* pat = FcPatternCreate();
    if (!family.empty()) {
        FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    FcLangSet* ls = FcLangSetCreate();
    FcLangSetAdd(ls, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddLangSet(pat, FC_LANG, ls);
    FcLangSetDestroy(ls);
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pat, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    if (!match) return false;
    bool ok = !requireJapanese || CoversJapanese(match);
    FcChar8* file = nullptr;
    if (ok && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        out.file = reinterpret_cast<const char*>(file);
        int index = 0;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        out.index = index;
        int weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        // fontconfig marks a regular face it offers for bold as "embolden"; that face
        // has no bold style of its own and is emboldened here.
        FcBool embolden = FcFalse;
        FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
        out.hasBold = weight >= FC_WEIGHT_DEMIBOLD && !embolden;
        FcChar8* fam = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &fam) == FcResultMatch && fam) {
            out.family = reinterpret_cast<const char*>(fam);
        }
    } else {
        ok = false;
    }
    FcPatternDestroy(match);
    return ok;
}

// A glyph as pixels relative to the text point, already turned for its direction: pixel
// (col, row) of `bits` lands at (x + dx + col, y + dy + row). Monochrome glyphs keep one
// bit a pixel, grey ones a coverage byte (0 to 255) a pixel.
struct Glyph {
    int dx = 0, dy = 0, w = 0, h = 0;
    int advance = 0;
    int pitch = 0;                   // bytes per row of `bits`
    bool grey = false;               // coverage bytes rather than bits
    std::vector<std::uint8_t> bits;  // monochrome: one bit per pixel, first in the high bit

    // Stores w x h pixels given one byte per pixel: the coverage itself for a grey glyph,
    // otherwise non-zero = ink.
    void Pack(const std::vector<std::uint8_t>& pixels, bool coverage) {
        grey = coverage;
        if (grey) {
            pitch = w;
            bits = pixels;
            return;
        }
        pitch = (w + 7) / 8;
        bits.assign(static_cast<std::size_t>(pitch) * h, 0);
        for (int r = 0; r < h; ++r) {
            for (int c = 0; c < w; ++c) {
                if (pixels[static_cast<std::size_t>(r) * w + c]) {
                    bits[static_cast<std::size_t>(r) * pitch + (c >> 3)] |=
                        static_cast<std::uint8_t>(0x80 >> (c & 7));
                }
            }
        }
    }
};

// The face fontconfig gives for `family` (without "@") and weight, falling back to the
// default Japanese sans-serif, or serif for Mincho names.
ResolvedFace ResolveFamily(const std::string& family, bool bold) {
    ResolvedFace face;
    if (!MatchFace(family, bold, face, true)) {
        const bool serif = family.find("明朝") != std::string::npos ||
                           family.find("Mincho") != std::string::npos ||
                           family.find("mincho") != std::string::npos;
        if (!MatchFace(serif ? "serif" : "sans-serif", bold, face, true)) {
            MatchFace(serif ? "serif" : "sans-serif", bold, face, false);
        }
    }
    return face;
}

// Pixels a synthetic bold adds across the strokes of a glyph of cell height `height`.
int SyntheticBoldWidth(int height) {
    return height < 1 ? 0 : std::max(1, static_cast<int>(std::lround(height / 24.0)));
}

// Widens the ink runs of each row of a one-byte-per-pixel glyph image by `strength`
// pixels, half to the left and the odd pixel to the right (the image grows by `strength`
// columns, strength / 2 of them on the left); a gap between two runs gives up at most
// half its width, so it keeps at least one pixel.
std::vector<std::uint8_t> WidenStrokes(const std::vector<std::uint8_t>& pixels, int width,
                                       int height, int strength) {
    const int grownLeft = strength / 2, grownRight = strength - grownLeft;
    const int outWidth = width + strength;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(outWidth) * height, 0);
    std::vector<std::pair<int, int>> runs;  // first and last ink column of each run
    for (int r = 0; r < height; ++r) {
        const std::uint8_t* in = pixels.data() + static_cast<std::size_t>(r) * width;
        runs.clear();
        for (int c = 0; c < width; ++c) {
            if (!in[c]) continue;
            const int first = c;
            while (c + 1 < width && in[c + 1]) ++c;
            runs.emplace_back(first, c);
        }
        std::uint8_t* row = out.data() + static_cast<std::size_t>(r) * outWidth;
        int leftGrowth = grownLeft;
        for (std::size_t k = 0; k < runs.size(); ++k) {
            int rightGrowth = grownRight, nextLeft = grownLeft;
            if (k + 1 < runs.size()) {
                // A gap gives up at most half its width, so it keeps at least one pixel.
                const int gap = runs[k + 1].first - runs[k].second - 1;
                const int room = gap / 2;
                rightGrowth = std::min(grownRight, room);
                nextLeft = std::min(grownLeft, room - rightGrowth);
            }
            const int from = runs[k].first - leftGrowth + grownLeft;
            const int to = runs[k].second + rightGrowth + grownLeft;
            std::fill(row + from, row + to + 1, std::uint8_t{1});
            leftGrowth = nextLeft;
        }
    }
    return out;
}

// The top of the face's ideographic em box above the baseline, as a share of the em:
// from the face's BASE table where it has one (the top edge, or the bottom edge plus one
// em), otherwise 0.88 em rounded to a whole font unit, which is where the ascender of
// faces that share their em between ascent and descent (the IPA faces) lies.
double EmBoxTop(FT_Face face) {
    const int upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    hb_face_t* hbFace = hb_ft_face_create_referenced(face);
    hb_font_t* font = hb_font_create(hbFace);  // scaled in font units
    hb_font_set_scale(font, upem, upem);
    const hb_tag_t han = HB_TAG('h', 'a', 'n', 'i');
    hb_position_t top = 0, bottom = 0;
    double units = std::round(0.88 * upem);
    if (hb_ot_layout_get_baseline(font, HB_OT_LAYOUT_BASELINE_TAG_IDEO_EMBOX_TOP_OR_RIGHT,
                                  HB_DIRECTION_LTR, han, HB_TAG_NONE, &top)) {
        units = top;
    } else if (hb_ot_layout_get_baseline(font, HB_OT_LAYOUT_BASELINE_TAG_IDEO_EMBOX_BOTTOM_OR_LEFT,
                                         HB_DIRECTION_LTR, han, HB_TAG_NONE, &bottom)) {
        units = bottom + upem;
    }
    hb_font_destroy(font);
    hb_face_destroy(hbFace);
    return units / upem;
}

// Whether every code point of `text` is in the character set of font pattern `p`.
bool PatternCovers(FcPattern* p, std::u32string_view text) {
    FcCharSet* chars = nullptr;
    if (FcPatternGetCharSet(p, FC_CHARSET, 0, &chars) != FcResultMatch || !chars) return false;
    for (const char32_t cp : text)
        if (!FcCharSetHasChar(chars, cp)) return false;
    return true;
}

ResolvedFace SearchFaceCovering(std::u32string_view text) {
    ResolvedFace face;
    FcPattern* pat = FcPatternCreate();
    FcLangSet* ls = FcLangSetCreate();
    FcLangSetAdd(ls, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddLangSet(pat, FC_LANG, ls);
    FcLangSetDestroy(ls);
    FcCharSet* wanted = FcCharSetCreate();
    for (const char32_t cp : text) FcCharSetAddChar(wanted, cp);
    FcPatternAddCharSet(pat, FC_CHARSET, wanted);
    FcCharSetDestroy(wanted);
    FcPatternAddBool(pat, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcFontSet* set = FcFontSort(nullptr, pat, FcFalse, nullptr, &result);
    FcPatternDestroy(pat);
    for (int k = 0; set && k < set->nfont; ++k) {
        FcPattern* p = set->fonts[k];
        FcChar8* file = nullptr;
        FcBool outline = FcFalse;
        FcPatternGetBool(p, FC_OUTLINE, 0, &outline);
        if (!outline || !PatternCovers(p, text) ||
            FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch || !file)
            continue;
        face.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(p, FC_INDEX, 0, &face.index);
        FcChar8* family = nullptr;
        if (FcPatternGetString(p, FC_FAMILY, 0, &family) == FcResultMatch && family)
            face.family = reinterpret_cast<const char*>(family);
        break;
    }
    if (set) FcFontSetDestroy(set);
    return face;
}

}  // namespace

ResolvedFace FaceCovering(std::u32string_view text) {
    static std::mutex mu;
    static std::map<std::u32string, ResolvedFace, std::less<>> cache;
    std::lock_guard<std::mutex> lock(mu);
    if (auto it = cache.find(text); it != cache.end()) return it->second;
    FcInit();
    return cache.emplace(std::u32string(text), SearchFaceCovering(text)).first->second;
}

ResolvedFace ResolveJapaneseFace(const std::string& name, bool bold) {
    static std::mutex mu;
    static std::unordered_map<std::string, ResolvedFace> cache;
    std::string family = name;
    if (!family.empty() && family[0] == '@') family.erase(0, 1);
    const std::string key = family + (bold ? "\x01" : "\x00");
    std::lock_guard<std::mutex> lock(mu);
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    FcInit();
    ResolvedFace face = ResolveFamily(family, false);
    if (bold) {
        // The bold style counts only when it belongs to the family the regular weight
        // resolved to; otherwise the regular face is emboldened.
        const ResolvedFace heavy = ResolveFamily(family, true);
        if (heavy.hasBold && heavy.family == face.family) face = heavy;
    }
    cache[key] = face;
    return face;
}

struct VerticalFont::Impl {
    FT_Face face = nullptr;
    hb_font_t* hb = nullptr;
    std::string file;
    int index = -1;
    int height = 0;
    int boldWidth = 0;    // pixels added across each glyph's strokes; 0 = no synthetic bold
    bool grey = false;    // anti-aliased coverage with light hinting, emboldened outlines
    int ascent = 0;       // the em box's top above the baseline, in pixels
    double emTop = 0.88;  // the same as a share of the em
    std::unordered_map<unsigned, Glyph> vertical;    // by CP932 code
    std::unordered_map<unsigned, Glyph> horizontal;  // by glyph index
    std::map<std::u32string, Glyph> sequences;       // upright characters by code points
    std::size_t cachedBytes = 0;                     // of the three maps together
    // Faces for the characters this one lacks, by file and index, at this one's size.
    std::map<std::string, std::unique_ptr<Impl>> fallbacks;

    ~Impl() { Close(); }
    void Close() {
        if (hb) hb_font_destroy(hb);
        if (face) FT_Done_Face(face);
        hb = nullptr;
        face = nullptr;
        ForgetGlyphs();
        fallbacks.clear();
    }

    void ForgetGlyphs() {
        vertical.clear();
        horizontal.clear();
        sequences.clear();
        cachedBytes = 0;
    }

    // Keeps `g` under `key`. A glyph that would take the cache past its budget empties it
    // first, so the glyphs kept never take more than kGlyphCacheBytes.
    template <typename Cache, typename Key>
    const Glyph& Keep(Cache& cache, Key key, Glyph g) {
        const std::size_t bytes = g.bits.size() + sizeof(Glyph) + sizeof(Key);
        if (cachedBytes + bytes > kGlyphCacheBytes) ForgetGlyphs();
        cachedBytes += bytes;
        return cache.emplace(key, std::move(g)).first->second;
    }

    bool Open(const ResolvedFace& f) {
        if (face && f.file == file && f.index == index) return true;
        Close();
        file = f.file;
        index = f.index;
        if (file.empty() || !Library()) return false;
        if (FT_New_Face(Library(), file.c_str(), index, &face) != 0) {
            face = nullptr;
            return false;
        }
        emTop = EmBoxTop(face);
        return true;
    }

    void SetSize(int h, bool bold, bool smooth) {
        ForgetGlyphs();
        height = h;
        grey = smooth;
        boldWidth = bold ? SyntheticBoldWidth(h) : 0;
        if (!face || h < 1 || h > kMaxFontHeight) {
            height = 0;
            return;
        }
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(h));
        if (hb) hb_font_destroy(hb);
        hb = hb_ft_font_create_referenced(face);
        ascent = static_cast<int>(std::lround(h * emTop));
    }

    // The glyph index of `cp` after the vertical-form substitution when `vertical`.
    unsigned GlyphIndex(char32_t cp, bool vert) {
        if (!hb) return 0;
        hb_buffer_t* buf = hb_buffer_create();
        hb_buffer_add_codepoints(buf, reinterpret_cast<const hb_codepoint_t*>(&cp), 1, 0, 1);
        hb_buffer_set_direction(buf, vert ? HB_DIRECTION_TTB : HB_DIRECTION_LTR);
        hb_buffer_guess_segment_properties(buf);
        hb_buffer_set_language(buf, hb_language_from_string("ja", 2));
        hb_feature_t feature;
        hb_feature_from_string("vert", 4, &feature);
        hb_shape(hb, buf, vert ? &feature : nullptr, vert ? 1 : 0);
        unsigned count = 0;
        hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &count);
        const unsigned gid = count > 0 ? info[0].codepoint : 0;
        hb_buffer_destroy(buf);
        return gid;
    }

    // Loads glyph `gid` into the slot and renders it: monochrome, or grey with light
    // hinting, a synthetic bold then thickening the outline itself (by 1/24 em in all, the
    // glyph's place in its em box unchanged).
    bool Load(unsigned gid) {
        const FT_Int32 target = grey ? FT_LOAD_TARGET_LIGHT : FT_LOAD_TARGET_MONO;
        if (FT_Load_Glyph(face, gid, target | FT_LOAD_NO_BITMAP) != 0) return false;
        FT_GlyphSlot slot = face->glyph;
        if (grey && boldWidth > 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_Outline_Embolden(&slot->outline,
                                FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24);
        }
        return FT_Render_Glyph(slot, grey ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) == 0;
    }

    // Renders glyph `gid`; fills the unturned pixels (one byte each: coverage when grey,
    // else 0 or 1) and metrics.
    bool Render(unsigned gid, int& left, int& top, int& w, int& h, int& pitch,
                std::vector<std::uint8_t>& bits, int& advance) {
        if (!Load(gid)) return false;
        FT_GlyphSlot slot = face->glyph;
        advance = static_cast<int>((slot->advance.x + 32) >> 6);
        const FT_Bitmap& bm = slot->bitmap;
        left = slot->bitmap_left;
        top = slot->bitmap_top;
        w = static_cast<int>(bm.width);
        h = static_cast<int>(bm.rows);
        pitch = w;
        bits.assign(static_cast<std::size_t>(w) * h, 0);
        for (int r = 0; r < h; ++r) {
            const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(r) * bm.pitch;
            std::uint8_t* out = bits.data() + static_cast<std::size_t>(r) * w;
            if (grey) {
                std::memcpy(out, src, static_cast<std::size_t>(w));
                continue;
            }
            for (int c = 0; c < w; ++c) out[c] = (src[c >> 3] & (0x80 >> (c & 7))) ? 1 : 0;
        }
        if (!grey && boldWidth > 0 && w > 0 && h > 0) {
            bits = WidenStrokes(bits, w, h, boldWidth);
            left -= boldWidth / 2;
            w += boldWidth;
            pitch = w;
        }
        return true;
    }

    const Glyph& VerticalGlyph(std::string_view ch) {
        unsigned code = static_cast<unsigned char>(ch[0]);
        if (ch.size() == 2) code = code << 8 | static_cast<unsigned char>(ch[1]);
        if (auto it = vertical.find(code); it != vertical.end()) return it->second;
        Glyph g;
        const std::string utf8 = Cp932ToUtf8(ch);
        std::size_t i = 0;
        const char32_t cp = utf8.empty() ? 0xFFFD : DecodeUtf8(utf8, i);
        const bool upright = ch.size() == 2;
        int left = 0, top = 0, w = 0, h = 0, pitch = 0, advance = 0;
        std::vector<std::uint8_t> bits;
        if (face && height > 0 &&
            Render(GlyphIndex(cp, upright), left, top, w, h, pitch, bits, advance)) {
            if (upright) {
                // Em square in the cell: its left edge at X - h, baseline at Y + ascent.
                g.dx = -height + left;
                g.dy = ascent - top;
                g.w = w;
                g.h = h;
                g.Pack(bits, grey);
                g.advance = height;
            } else {
                // Turned 90 degrees clockwise: "right" becomes "down", "up" becomes
                // "right"; the baseline runs down at x = X - ascent.
                g.w = h;
                g.h = w;
                g.dx = -ascent + top - h;
                g.dy = left;
                std::vector<std::uint8_t> turned(static_cast<std::size_t>(g.w) * g.h, 0);
                for (int r = 0; r < h; ++r) {
                    for (int c = 0; c < w; ++c) {
                        // Unturned pixel (c, r) lands at column h - 1 - r, row c.
                        turned[static_cast<std::size_t>(c) * g.w + (h - 1 - r)] =
                            bits[static_cast<std::size_t>(r) * pitch + c];
                    }
                }
                g.Pack(turned, grey);
                g.advance = advance;
            }
        } else {
            g.advance = upright ? height : height / 2;
        }
        return Keep(vertical, code, std::move(g));
    }

    bool Covers(std::u32string_view text) const {
        if (!face) return false;
        for (const char32_t cp : text)
            if (FT_Get_Char_Index(face, cp) == 0) return false;
        return true;
    }

    // The face that draws `text`: this one when it has every code point, else the face
    // fontconfig finds for them, at this one's size; this one when there is none.
    Impl& FaceFor(std::u32string_view text) {
        if (Covers(text)) return *this;
        const ResolvedFace found = FaceCovering(text);
        if (found.file.empty()) return *this;
        std::unique_ptr<Impl>& other = fallbacks[found.file + '\0' + std::to_string(found.index)];
        if (!other) other = std::make_unique<Impl>();
        if (!other->Open(found)) return *this;
        if (other->height != height || other->grey != grey ||
            (other->boldWidth > 0) != (boldWidth > 0))
            other->SetSize(height, boldWidth > 0, grey);
        return other->height > 0 ? *other : *this;
    }

    // Renders `text` unturned as one image (one byte a pixel, as Render): a single code
    // point with its vertical form, several shaped along a line and laid over each other
    // where the face places them so (a base and its combining mark).
    bool RenderText(std::u32string_view text, int& left, int& top, int& w, int& h,
                    std::vector<std::uint8_t>& bits) {
        int pitch = 0, advance = 0;
        if (text.size() == 1)
            return Render(GlyphIndex(text[0], true), left, top, w, h, pitch, bits, advance);
        struct Piece {
            int x = 0, top = 0, w = 0, h = 0;
            std::vector<std::uint8_t> bits;
        };
        std::vector<Piece> pieces;
        hb_buffer_t* buf = hb_buffer_create();
        hb_buffer_add_codepoints(buf, reinterpret_cast<const hb_codepoint_t*>(text.data()),
                                 static_cast<int>(text.size()), 0, static_cast<int>(text.size()));
        hb_buffer_set_direction(buf, HB_DIRECTION_LTR);
        hb_buffer_guess_segment_properties(buf);
        hb_buffer_set_language(buf, hb_language_from_string("ja", 2));
        hb_shape(hb, buf, nullptr, 0);
        unsigned count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &count);
        const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, nullptr);
        long pen = 0;  // 26.6 pixels, as the FreeType font scales HarfBuzz's
        for (unsigned k = 0; k < count; ++k) {
            Piece p;
            int l = 0;
            if (Render(info[k].codepoint, l, p.top, p.w, p.h, pitch, p.bits, advance)) {
                p.x = l + static_cast<int>(std::lround((pen + pos[k].x_offset) / 64.0));
                p.top += static_cast<int>(std::lround(pos[k].y_offset / 64.0));
                pieces.push_back(std::move(p));
            }
            pen += pos[k].x_advance;
        }
        hb_buffer_destroy(buf);
        if (pieces.empty()) return false;
        int x0 = pieces[0].x, x1 = x0, top0 = pieces[0].top, bottom0 = top0;
        for (const Piece& p : pieces) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x + p.w);
            top0 = std::max(top0, p.top);
            bottom0 = std::min(bottom0, p.top - p.h);
        }
        left = x0;
        top = top0;
        w = x1 - x0;
        h = top0 - bottom0;
        bits.assign(static_cast<std::size_t>(w) * h, 0);
        for (const Piece& p : pieces) {
            for (int r = 0; r < p.h; ++r) {
                for (int c = 0; c < p.w; ++c) {
                    std::uint8_t& to =
                        bits[static_cast<std::size_t>(top0 - p.top + r) * w + (p.x - x0 + c)];
                    to = std::max(to, p.bits[static_cast<std::size_t>(r) * p.w + c]);
                }
            }
        }
        return true;
    }

    const Glyph& SequenceGlyph(std::u32string_view text) {
        if (auto it = sequences.find(std::u32string(text)); it != sequences.end())
            return it->second;
        Impl& from = FaceFor(text);
        Glyph g;
        int left = 0, top = 0, w = 0, h = 0;
        std::vector<std::uint8_t> bits;
        if (from.face && from.height > 0 && from.RenderText(text, left, top, w, h, bits)) {
            // Em square in the cell, as an upright double-byte character.
            g.dx = -height + left;
            g.dy = from.ascent - top;
            g.w = w;
            g.h = h;
            g.Pack(bits, grey);
        }
        g.advance = height;
        return Keep(sequences, std::u32string(text), std::move(g));
    }

    const Glyph& HorizontalGlyph(unsigned gid) {
        if (auto it = horizontal.find(gid); it != horizontal.end()) return it->second;
        Glyph g;
        int left = 0, top = 0, w = 0, h = 0, pitch = 0, advance = 0;
        std::vector<std::uint8_t> bits;
        if (face && height > 0 && Render(gid, left, top, w, h, pitch, bits, advance)) {
            g.dx = left;
            g.dy = ascent - top;
            g.w = w;
            g.h = h;
            g.Pack(bits, grey);
            g.advance = advance;
        }
        return Keep(horizontal, gid, std::move(g));
    }
};

namespace {

// Lays one coverage value of `color` over a pixel: 255 replaces it, less mixes.
inline void Cover(std::uint8_t* px, const std::uint8_t* ink, unsigned a) {
    if (a == 255) {
        std::memcpy(px, ink, 3);
        return;
    }
    for (int k = 0; k < 3; ++k) {
        const int d = px[k];
        px[k] = static_cast<std::uint8_t>(d + ((ink[k] - d) * static_cast<int>(a) + 127) / 255);
    }
}

void Blit(Bitmap& target, const Glyph& g, int x, int y, Color color) {
    const std::uint8_t px[3] = {BlueOf(color), GreenOf(color), RedOf(color)};
    const int x0 = x + g.dx, y0 = y + g.dy;
    const int c0 = std::max(0, -x0), c1 = std::min(g.w, target.Width() - x0);
    const int r0 = std::max(0, -y0), r1 = std::min(g.h, target.Height() - y0);
    for (int r = r0; r < r1; ++r) {
        const std::uint8_t* src = g.bits.data() + static_cast<std::size_t>(r) * g.pitch;
        std::uint8_t* row = target.Row(y0 + r);
        if (g.grey) {
            for (int c = c0; c < c1; ++c) {
                if (src[c]) Cover(row + (x0 + c) * 3, px, src[c]);
            }
            continue;
        }
        for (int c = c0; c < c1;) {
            const std::uint8_t bits = src[c >> 3];
            if (bits == 0) {  // eight blank pixels at once
                c = (c | 7) + 1;
                continue;
            }
            if (bits & (0x80 >> (c & 7))) std::memcpy(row + (x0 + c) * 3, px, 3);
            ++c;
        }
    }
}

}  // namespace

VerticalFont::VerticalFont() : impl_(std::make_unique<Impl>()) {}
VerticalFont::~VerticalFont() = default;

void VerticalFont::Configure(const std::string& name, int height, bool bold, bool smooth) {
    if (impl_->face && name == name_ && height == height_ && bold == bold_ &&
        smooth == impl_->grey) {
        return;
    }
    if (name != name_ || bold != bold_ || !impl_->face) face_ = ResolveJapaneseFace(name, bold);
    name_ = name;
    height_ = height;
    bold_ = bold;
    impl_->Open(face_);
    impl_->SetSize(height, bold && !face_.hasBold, smooth);
}

std::size_t VerticalFont::CachedGlyphBytes() const {
    return impl_->cachedBytes;
}

int VerticalFont::Ascent() const {
    return impl_->ascent;
}

int VerticalFont::DrawVertical(Bitmap& target, std::string_view ch, int x, int y, Color color) {
    if (ch.empty() || impl_->height < 1) return 0;
    if (ch.size() > 2) ch = ch.substr(0, 2);
    const Glyph& g = impl_->VerticalGlyph(ch);
    Blit(target, g, x, y, color);
    return g.advance;
}

int VerticalFont::DrawUpright(Bitmap& target, std::u32string_view text, int x, int y, Color color) {
    if (text.empty() || impl_->height < 1) return 0;
    const Glyph& g = impl_->SequenceGlyph(text);
    Blit(target, g, x, y, color);
    return g.advance;
}

Rect VerticalFont::GlyphBox(std::string_view ch, int x, int y) {
    if (ch.empty() || impl_->height < 1) return Rect{x, y, x, y};
    if (ch.size() > 2) ch = ch.substr(0, 2);
    const Glyph& g = impl_->VerticalGlyph(ch);
    return Rect{x + g.dx, y + g.dy, x + g.dx + g.w, y + g.dy + g.h};
}

int VerticalFont::DrawHorizontal(Bitmap& target, std::string_view utf8, int x, int y, Color color) {
    return Horizontal(&target, utf8, x, y, color);
}

int VerticalFont::HorizontalWidth(std::string_view utf8) {
    return Horizontal(nullptr, utf8, 0, 0, 0);
}

int VerticalFont::Horizontal(Bitmap* target, std::string_view utf8, int x, int y, Color color) {
    if (utf8.empty() || impl_->height < 1 || !impl_->hb) return 0;
    hb_buffer_t* buf = hb_buffer_create();
    hb_buffer_add_utf8(buf, utf8.data(), static_cast<int>(utf8.size()), 0,
                       static_cast<int>(utf8.size()));
    hb_buffer_set_direction(buf, HB_DIRECTION_LTR);
    hb_buffer_guess_segment_properties(buf);
    hb_buffer_set_language(buf, hb_language_from_string("ja", 2));
    hb_shape(impl_->hb, buf, nullptr, 0);
    unsigned count = 0;
    hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &count);
    int pen = x;
    for (unsigned k = 0; k < count; ++k) {
        const Glyph& g = impl_->HorizontalGlyph(info[k].codepoint);
        if (target) Blit(*target, g, pen, y, color);
        pen += g.advance;
    }
    hb_buffer_destroy(buf);
    return pen - x;
}

}  // namespace mirvo

#if defined(__SANITIZE_ADDRESS__)
// fontconfig's configuration parser (Debian 12) loses a few bytes once per process while
// it reads its XML files; they are not ours to free. Every program that draws text loads
// that configuration, so the leak checker is told here rather than in each test program.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif
