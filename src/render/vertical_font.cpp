#include "render/vertical_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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

// A glyph as monochrome pixels relative to the text point, already turned for its
// direction: pixel (col, row) of `bits` lands at (x + dx + col, y + dy + row).
struct Glyph {
    int dx = 0, dy = 0, w = 0, h = 0;
    int advance = 0;
    int pitch = 0;                   // bytes per row of `bits`
    std::vector<std::uint8_t> bits;  // one bit per pixel, first pixel in the high bit

    // Stores w x h pixels given one byte per pixel (non-zero = ink).
    void Pack(const std::vector<std::uint8_t>& pixels) {
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

}  // namespace

ResolvedFace ResolveJapaneseFace(const std::string& name, bool bold) {
    static std::mutex mu;
    static std::unordered_map<std::string, ResolvedFace> cache;
    std::string family = name;
    if (!family.empty() && family[0] == '@') family.erase(0, 1);
    const std::string key = family + (bold ? "\x01" : "\x00");
    std::lock_guard<std::mutex> lock(mu);
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    FcInit();
    ResolvedFace face;
    if (!MatchFace(family, bold, face, true)) {
        const bool serif = family.find("明朝") != std::string::npos ||
                           family.find("Mincho") != std::string::npos ||
                           family.find("mincho") != std::string::npos;
        if (!MatchFace(serif ? "serif" : "sans-serif", bold, face, true)) {
            MatchFace(serif ? "serif" : "sans-serif", bold, face, false);
        }
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
    bool embolden = false;
    int ascent = 0;
    std::unordered_map<unsigned, Glyph> vertical;    // by CP932 code
    std::unordered_map<unsigned, Glyph> horizontal;  // by glyph index
    std::size_t cachedBytes = 0;                     // of both maps together

    ~Impl() { Close(); }
    void Close() {
        if (hb) hb_font_destroy(hb);
        if (face) FT_Done_Face(face);
        hb = nullptr;
        face = nullptr;
        ForgetGlyphs();
    }

    void ForgetGlyphs() {
        vertical.clear();
        horizontal.clear();
        cachedBytes = 0;
    }

    // Keeps `g` under `key`. A glyph that would take the cache past its budget empties it
    // first, so the glyphs kept never take more than kGlyphCacheBytes.
    const Glyph& Keep(std::unordered_map<unsigned, Glyph>& cache, unsigned key, Glyph g) {
        const std::size_t bytes = g.bits.size() + sizeof(Glyph) + sizeof(unsigned);
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
        return true;
    }

    void SetSize(int h, bool bold) {
        ForgetGlyphs();
        height = h;
        embolden = bold;
        if (!face || h < 1 || h > kMaxFontHeight) {
            height = 0;
            return;
        }
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(h));
        if (hb) hb_font_destroy(hb);
        hb = hb_ft_font_create_referenced(face);
        const double asc = face->ascender, desc = face->descender;
        ascent = asc - desc > 0 ? static_cast<int>(std::lround(h * asc / (asc - desc)))
                                : static_cast<int>(std::lround(h * 0.88));
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

    // Renders glyph `gid` monochrome; fills the unturned pixels and metrics.
    bool Render(unsigned gid, int& left, int& top, int& w, int& h, int& pitch,
                std::vector<std::uint8_t>& bits, int& advance) {
        if (FT_Load_Glyph(face, gid, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0) return false;
        FT_GlyphSlot slot = face->glyph;
        if (embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            const FT_Pos strength = FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24;
            FT_Outline_Embolden(&slot->outline, strength);
        }
        advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return false;
        const FT_Bitmap& bm = slot->bitmap;
        left = slot->bitmap_left;
        top = slot->bitmap_top;
        w = static_cast<int>(bm.width);
        h = static_cast<int>(bm.rows);
        pitch = w;
        bits.assign(static_cast<std::size_t>(w) * h, 0);
        for (int r = 0; r < h; ++r) {
            const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(r) * bm.pitch;
            for (int c = 0; c < w; ++c) {
                if (src[c >> 3] & (0x80 >> (c & 7))) bits[static_cast<std::size_t>(r) * w + c] = 1;
            }
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
                g.Pack(bits);
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
                g.Pack(turned);
                g.advance = advance;
            }
        } else {
            g.advance = upright ? height : height / 2;
        }
        return Keep(vertical, code, std::move(g));
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
            g.Pack(bits);
            g.advance = advance;
        }
        return Keep(horizontal, gid, std::move(g));
    }
};

namespace {

void Blit(Bitmap& target, const Glyph& g, int x, int y, Color color) {
    const std::uint8_t px[3] = {BlueOf(color), GreenOf(color), RedOf(color)};
    const int x0 = x + g.dx, y0 = y + g.dy;
    const int c0 = std::max(0, -x0), c1 = std::min(g.w, target.Width() - x0);
    const int r0 = std::max(0, -y0), r1 = std::min(g.h, target.Height() - y0);
    for (int r = r0; r < r1; ++r) {
        const std::uint8_t* src = g.bits.data() + static_cast<std::size_t>(r) * g.pitch;
        std::uint8_t* row = target.Row(y0 + r);
        for (int c = c0; c < c1; ++c) {
            if (src[c >> 3] & (0x80 >> (c & 7))) std::memcpy(row + (x0 + c) * 3, px, 3);
        }
    }
}

}  // namespace

VerticalFont::VerticalFont() : impl_(std::make_unique<Impl>()) {}
VerticalFont::~VerticalFont() = default;

void VerticalFont::Configure(const std::string& name, int height, bool bold) {
    if (impl_->face && name == name_ && height == height_ && bold == bold_) return;
    if (name != name_ || bold != bold_ || !impl_->face) face_ = ResolveJapaneseFace(name, bold);
    name_ = name;
    height_ = height;
    bold_ = bold;
    impl_->Open(face_);
    impl_->SetSize(height, bold && !face_.hasBold);
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

int VerticalFont::DrawHorizontal(Bitmap& target, std::string_view utf8, int x, int y, Color color) {
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
        Blit(target, g, pen, y, color);
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
