// Books in UTF-8, UTF-16 and EUC-JP: detection, forcing, conversion to CP932, and the rows
// of real novels converted to each encoding.
#include "format/encoding.h"

#include <iconv.h>

#include <gtest/gtest.h>

#include <random>

#include "format/cp932.h"
#include "format/document.h"
#include "format/format_test_util.h"

namespace mirvo::test {
namespace {

// `bytes` from one encoding to another, by the system's converter.
std::string Iconv(std::string_view bytes, const char* from, const char* to) {
    const iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(bytes.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(bytes.data());
    char* dst = out.data();
    std::size_t srcLeft = bytes.size(), dstLeft = out.size();
    EXPECT_NE(iconv(cd, &src, &srcLeft, &dst, &dstLeft), static_cast<std::size_t>(-1)) << to;
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

// UTF-8 as a JIS-based converter writes it (macOS, Java, EUC-JP tools): the characters
// that CP932 decodes to other code points take their JIS ones.
std::string JisMapped(std::string utf8) {
    for (const auto& [ms, jis] : {std::pair{"～", "〜"},
                                  {"―", "—"},
                                  {"∥", "‖"},
                                  {"－", "−"},
                                  {"￠", "¢"},
                                  {"￡", "£"},
                                  {"￢", "¬"}})
        utf8 = ReplaceAll(std::move(utf8), ms, jis);
    return utf8;
}

RowList Rows(const std::string& path) {
    Result<RowList> loaded = LoadLines(path);
    EXPECT_TRUE(loaded);
    RowList rows = loaded ? std::move(loaded.Value()) : RowList();
    RecordingHost host;
    EXPECT_TRUE(FormatDocument(rows, FormatOptions{PageLayout(10, 50), true, true, path}, host));
    return rows;
}

TEST(BookEncodings, EveryNovelInEveryEncodingGivesTheRowsOfItsShiftJisOriginal) {
    const struct {
        const char* name;
        BookEncoding detected;
        std::string (*convert)(const std::string& sjis);
    } encodings[] = {
        {"UTF-8", BookEncoding::Utf8,
         [](const std::string& s) { return Iconv(s, "CP932", "UTF-8"); }},
        {"UTF-8, BOM", BookEncoding::Utf8,
         [](const std::string& s) { return "\xEF\xBB\xBF" + Iconv(s, "CP932", "UTF-8"); }},
        {"UTF-8, JIS mapping", BookEncoding::Utf8,
         [](const std::string& s) { return JisMapped(Iconv(s, "CP932", "UTF-8")); }},
        {"UTF-16LE, BOM", BookEncoding::Utf16Le,
         [](const std::string& s) { return "\xFF\xFE" + Iconv(s, "CP932", "UTF-16LE"); }},
        {"UTF-16BE, BOM", BookEncoding::Utf16Be,
         [](const std::string& s) { return "\xFE\xFF" + Iconv(s, "CP932", "UTF-16BE"); }},
        {"EUC-JP", BookEncoding::EucJp,
         [](const std::string& s) { return Iconv(s, "CP932", "EUC-JP-MS"); }},
    };
    TempDir dir;
    const auto novels = CorpusFiles();
    ASSERT_GE(novels.size(), 10u);
    for (const std::string& novel : novels) {
        const RowList original = Rows(novel);
        const std::string sjis = ReadFileBytes(novel);
        for (const auto& e : encodings) {
            const std::string converted = e.convert(sjis);
            const DecodedText d = DecodeText(converted, TextEncoding::Auto);
            EXPECT_EQ(d.report.encoding, e.detected) << novel << " " << e.name;
            EXPECT_EQ(d.report.replaced, 0u) << novel << " " << e.name;
            WriteFileBytes(dir.File("book.txt"), converted);
            EXPECT_TRUE(Rows(dir.File("book.txt")) == original) << novel << " " << e.name;
        }
    }
}

TEST(BookEncodings, DetectionForcingReplacementAndMalformedInput) {
    const std::string eucNovel = Iconv("吾輩は猫である。名前はまだ無い。", "UTF-8", "EUC-JP");
    const struct {
        const char* what;
        std::string bytes;
        TextEncoding asked;
        BookEncoding used;
        std::string cp932;
        std::size_t replaced, firstLine;
    } cases[] = {
        {"pure ASCII", "plain\r\ntext", TextEncoding::Auto, BookEncoding::Cp932, "plain\r\ntext", 0,
         0},
        {"Shift_JIS whose first bytes are UTF-8 (ﾂｱ = U+00B1)", Sjis("ﾂｱ\r\n吾輩は猫"),
         TextEncoding::Auto, BookEncoding::Cp932, Sjis("ﾂｱ\r\n吾輩は猫"), 0, 0},
        {"half-width Shift_JIS that is also EUC-JP", Sjis("ｱｲｳｴ ｶｷ"), TextEncoding::Auto,
         BookEncoding::Cp932, Sjis("ｱｲｳｴ ｶｷ"), 0, 0},
        {"UTF-8", "吾輩《わがはい》", TextEncoding::Auto, BookEncoding::Utf8,
         Sjis("吾輩《わがはい》"), 0, 0},
        {"EUC-JP", eucNovel, TextEncoding::Auto, BookEncoding::EucJp,
         Sjis("吾輩は猫である。名前はまだ無い。"), 0, 0},
        {"EUC-JP: half-width, NEC row 13, JIS X 0212 in and out of CP932",
         Iconv("ｱ①髙丂", "UTF-8", "EUC-JP-MS"), TextEncoding::EucJp, BookEncoding::EucJp,
         Sjis("ｱ①髙") + "\xF0\x40", 0, 0},
        {"variants folded to the CP932 character", "〜～—―‖∥−－¢￠£￡¬￢¦￤¥‾", TextEncoding::Auto,
         BookEncoding::Utf8, Sjis("～～――∥∥－－￠￠￡￡￢￢￤￤") + "\\~", 0, 0},
        {"outside CP932, and beyond the BMP: extra characters", "a\n鷗外\r\n😀", TextEncoding::Auto,
         BookEncoding::Utf8, "a\n\xF0\x40" + Sjis("外") + "\r\n\xF0\x41", 0, 0},
        {"forced CP932 keeps UTF-8 bytes", "吾輩", TextEncoding::Cp932, BookEncoding::Cp932, "吾輩",
         0, 0},
        {"forced UTF-8 on Shift_JIS", Sjis("a\r\r\nあい"), TextEncoding::Utf8, BookEncoding::Utf8,
         "a\r\r\n" + Sjis("〓〓〓〓"), 4, 3},
        {"UTF-8 cut short in its last character", "吾輩\xE7\x8C", TextEncoding::Auto,
         BookEncoding::Utf8, Sjis("吾輩〓"), 1, 1},
        {"UTF-8 damaged beyond its first 64 KiB", "a\n" + Repeat("あ", 30000) + "\n\xFF",
         TextEncoding::Auto, BookEncoding::Utf8,
         "a\n" + Repeat(Sjis("あ"), 30000) + "\n" + Sjis("〓"), 1, 3},
        {"UTF-8 BOM before ASCII",
         "\xEF\xBB\xBF"
         "ab",
         TextEncoding::Auto, BookEncoding::Utf8, "ab", 0, 0},
        {"UTF-8 overlong and surrogate forms", "\xC0\xAF\xED\xA0\x80z", TextEncoding::Utf8,
         BookEncoding::Utf8, Sjis("〓〓〓〓〓") + "z", 5, 1},
        {"UTF-16LE: lone surrogates, U+2028, a pair (an extra character), odd byte",
         std::string("\xFF\xFE"
                     "a\0\x00\xD8"
                     "b\0\x28\x20\x00\xDC\x3D\xD8\x00\xDE\x00\xD8"
                     "c",
                     19),
         TextEncoding::Auto, BookEncoding::Utf16Le,
         "a" + Sjis("〓") + "b\n" + Sjis("〓") + "\xF0\x40" + Sjis("〓〓"), 4, 1},
        {"UTF-16 without a BOM, big-endian text", Iconv("猫である\r\n", "UTF-8", "UTF-16BE"),
         TextEncoding::Utf16, BookEncoding::Utf16Be, Sjis("猫である\r\n"), 0, 0},
        {"UTF-16 without a BOM, little-endian text", Iconv("猫である", "UTF-8", "UTF-16LE"),
         TextEncoding::Utf16, BookEncoding::Utf16Le, Sjis("猫である"), 0, 0},
        {"EUC-JP cut short in its last character", eucNovel + "\r\n\xA4", TextEncoding::Auto,
         BookEncoding::EucJp, Sjis("吾輩は猫である。名前はまだ無い。\r\n〓"), 1, 2},
        {"EUC-JP broken inside is not EUC-JP", eucNovel + "\xA4\r\n", TextEncoding::Auto,
         BookEncoding::Cp932, eucNovel + "\xA4\r\n", 0, 0},
    };
    for (const auto& c : cases) {
        const DecodedText d = DecodeText(c.bytes, c.asked);
        EXPECT_EQ(d.report.encoding, c.used) << c.what;
        EXPECT_EQ(d.cp932, c.cp932) << c.what;
        EXPECT_EQ(d.report.replaced, c.replaced) << c.what;
        EXPECT_EQ(d.report.firstReplacedLine, c.firstLine) << c.what;
    }
}

// Random mixes of characters, malformed sequences and line ends, small and past the 64 KiB
// that decide UTF-8, in every encoding: the text stays whole CP932 characters, each 〓 in it
// is one counted replacement, and the first stands on the line reported.
TEST(BookEncodings, AnyBytesInAnyEncodingConvertToWholeCharactersWithEveryReplacementCounted) {
    const std::string pieces[] = {
        "あ",           "漢字",     "\xE3\x81", "\xFF", "\x80", "\r\n", "\r",       "a", "😀",
        "\xED\xA0\x80", "\xA4\xA2", "\x8E\xB1", "\x8F", "\xB0", "\xD8", "\x00\xDC", "\n"};
    std::mt19937 rng(14);
    for (int round = 0; round < 400; ++round) {
        std::string bytes;
        const int big = round % 50 == 0 ? 30000 : 0;  // "あ" past the first 64 KiB
        for (int i = 0; i < big; ++i) bytes += "あ";
        for (int n = static_cast<int>(rng() % 120); n > 0; --n)
            bytes += pieces[rng() % std::size(pieces)];
        for (const TextEncoding asked :
             {TextEncoding::Auto, TextEncoding::Cp932, TextEncoding::Utf8, TextEncoding::Utf16,
              TextEncoding::EucJp}) {
            const DecodedText d = DecodeText(bytes, asked);
            if (d.report.encoding == BookEncoding::Cp932) {
                EXPECT_EQ(d.cp932, bytes);
                continue;
            }
            std::size_t geta = 0, firstLine = 0, line = 1;
            const std::string& t = d.cp932;
            for (std::size_t i = 0; i < t.size();) {
                const unsigned char b = static_cast<unsigned char>(t[i]);
                ASSERT_FALSE(IsLeadByte(b) && i + 1 == t.size()) << "a lead byte ends the text";
                if (t.compare(i, 2, "\x81\xAC") == 0 && ++geta == 1) firstLine = line;
                line += b == '\n' || (b == '\r' && (i + 1 == t.size() || t[i + 1] != '\n'));
                i += IsLeadByte(b) ? 2 : 1;
            }
            EXPECT_EQ(geta, d.report.replaced) << round << " " << static_cast<int>(asked);
            EXPECT_EQ(firstLine, d.report.firstReplacedLine)
                << round << " " << static_cast<int>(asked);
        }
    }
}

}  // namespace
}  // namespace mirvo::test
