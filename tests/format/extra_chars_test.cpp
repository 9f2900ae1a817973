// A book's extra characters: the codes the table gives out, books in other encodings whose
// characters CP932 lacks, and gaiji notes made characters before formatting.
#include "format/extra_chars.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <tuple>

#include "format/cp932.h"
#include "format/encoding.h"
#include "format/gaiji_notes.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::Sjis;

std::string Code(std::uint16_t code) {
    return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

// `text` with each "@" as 0xF040 and each "#" as 0xF041.
std::string WithCodes(const std::string& text) {
    std::string out;
    for (const char c : text)
        out += c == '@' ? Code(0xF040) : c == '#' ? Code(0xF041) : std::string(1, c);
    return out;
}

std::string Iconv(const std::string& text, const char* to) {
    iconv_t cd = iconv_open(to, "UTF-8");
    std::string out(text.size() * 4 + 8, '\0');
    char* src = const_cast<char*>(text.data());
    char* dst = out.data();
    std::size_t srcLeft = text.size(), dstLeft = out.size();
    iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

TEST(ExtraChars, CodesRunThroughTheUserDefinedAreaPastTheBooksOwn) {
    ExtraChars table;
    table.ReserveUsedCodes(Sjis("本") + Code(0xF040) + "a" + Code(0xF041) + Sjis("文"));
    // Trail bytes skip 0x7F; a full lead byte moves on to the next.
    std::vector<std::uint16_t> codes;
    for (char32_t cp = 0x20000; cp < 0x20000 + ExtraChars::kCapacity; ++cp)
        codes.push_back(table.Add(std::u32string(1, cp)));
    EXPECT_EQ(codes[0], 0xF042);
    EXPECT_EQ(codes[60], 0xF07E);
    EXPECT_EQ(codes[61], 0xF080);
    EXPECT_EQ(codes[185], 0xF0FC);
    EXPECT_EQ(codes[186], 0xF140);
    EXPECT_EQ(codes[1877], 0xF9FC);
    EXPECT_EQ(codes[1878], 0) << "full: the two reserved codes are never given";
    EXPECT_EQ(table.Size(), 1878u);
    EXPECT_EQ(table.Add(U"\U00020000", "note"), 0xF042) << "the same text keeps its code";
    EXPECT_EQ(table.Find(0xF042)->note, "note") << "and takes a note it had none of";
    EXPECT_EQ(table.Find(0xF040), nullptr);

    ExtraChars other;
    const struct {
        std::u32string text;
        std::uint16_t code;
    } refused[] = {{U"", 0}, {std::u32string(1, char32_t{0xD800}), 0}, {U"a\x110000", 0}};
    for (const auto& c : refused) EXPECT_EQ(other.Add(c.text), c.code);
    EXPECT_TRUE(other.Empty());

    // A long line of ‰ (0x81F0): every second byte is 0xF0, but only as a trail byte; read
    // from the line's start (at once: not again from each 0xF0), it reserves only F041.
    ExtraChars permille;
    std::string line;
    for (int i = 0; i < 200000; ++i) line += Sjis("‰");
    permille.ReserveUsedCodes(line + Code(0xF041));
    EXPECT_EQ(permille.Add(U"\U00020000"), 0xF040);
    EXPECT_EQ(permille.Add(U"\U00020001"), 0xF042);

    // A book's own code after plain text of every length, wherever it falls among the
    // eight-byte steps of the walk, the last bytes of the line included.
    for (int ascii = 0; ascii < 9; ++ascii) {
        for (int kanji = 0; kanji < 6; ++kanji) {
            std::string own = std::string(static_cast<std::size_t>(ascii), 'a');
            for (int k = 0; k < kanji; ++k) own += Sjis("本");
            ExtraChars t;
            t.ReserveUsedCodes(own + Code(0xF040) + (kanji % 2 ? "b" : ""));
            EXPECT_EQ(t.Add(U"\U00020000"), 0xF041) << ascii << " " << kanji;
        }
    }
}

TEST(ExtraChars, TextForTheReaderAndQueriesForTheFinder) {
    ExtraChars table;
    const std::uint16_t ou = table.Add(U"鷗");
    const std::uint16_t ka = table.Add(U"\u304B\u309A", Sjis("「か」に半濁点、1-4-87"));
    const std::string row = Sjis("森") + Code(ou) + Sjis("外") + Code(ka) + Code(0xF0FC);
    // A user-defined code the table does not hold stays its private-use character.
    EXPECT_EQ(table.ToUtf8(row), "森鷗外か\u309A\uE0BB");
    EXPECT_EQ(BookTextUtf8(row, nullptr), Cp932ToUtf8(row));
    // A query finds the extra characters by their codes.
    EXPECT_EQ(Utf8ToCp932(table.ToPrivateUse("森鷗外")), Sjis("森") + Code(ou) + Sjis("外"));
    EXPECT_EQ(table.ToPrivateUse("か"), "か") << "only a whole sequence";
    EXPECT_EQ(ExtraChars().ToPrivateUse("鷗"), "鷗");
}

// 鷗 (BMP, JIS X 0212), 𠮷 (beyond the BMP) and 剝 (BMP): in every encoding that can hold
// them the rows keep user-defined codes and the table their characters; a character met
// again takes the same code; nothing is replaced.
TEST(ExtraChars, BooksInOtherEncodingsKeepTheCharactersCp932Lacks) {
    const std::string text = "森鷗外\n𠮷野の剝製、鷗";
    const std::string rows = Sjis("森") + Code(0xF040) + Sjis("外") + "\n" + Code(0xF041) +
                             Sjis("野の") + Code(0xF042) + Sjis("製、") + Code(0xF040);
    const struct {
        const char* what;
        std::string bytes;
        TextEncoding asked;
    } cases[] = {
        {"UTF-8", text, TextEncoding::Auto},
        {"UTF-8 with a BOM", "\xEF\xBB\xBF" + text, TextEncoding::Auto},
        {"UTF-16LE", "\xFF\xFE" + Iconv(text, "UTF-16LE"), TextEncoding::Auto},
        {"UTF-16BE forced", Iconv(text, "UTF-16BE"), TextEncoding::Utf16},
    };
    for (const auto& c : cases) {
        const DecodedText d = DecodeText(c.bytes, c.asked);
        EXPECT_EQ(d.cp932, rows) << c.what;
        EXPECT_EQ(d.report.replaced, 0u) << c.what;
        ASSERT_EQ(d.extras.Size(), 3u) << c.what;
        EXPECT_EQ(d.extras.ToUtf8(d.cp932), text) << c.what;
    }
    // EUC-JP holds 鷗 among JIS X 0212, not 𠮷.
    const DecodedText euc = DecodeText(Iconv("鷗外と丂", "EUC-JP-MS"), TextEncoding::EucJp);
    EXPECT_EQ(euc.cp932, Code(0xF040) + Sjis("外と") + Code(0xF041));
    EXPECT_EQ(euc.extras.ToUtf8(euc.cp932), "鷗外と丂");
    // A private-use character of the book is an extra character too: it never shares a
    // code with another.
    const DecodedText pua = DecodeText("\uE000鷗", TextEncoding::Utf8);
    EXPECT_EQ(pua.cp932, Code(0xF040) + Code(0xF041));
    EXPECT_EQ(pua.extras.ToUtf8(pua.cp932), "\uE000鷗");
}

// A combining mark that CP932 lacks joins the character before it in one cell.
TEST(ExtraChars, ACombiningMarkJoinsItsBase) {
    const struct {
        const char* what;
        std::string utf8;
        std::string cp932;  // @ and # for the first and second codes given
        std::vector<std::u32string> entries;
    } cases[] = {
        {"kana and the semi-voiced mark", "か\u309Aき", "@" + Sjis("き"), {U"\u304B\u309A"}},
        {"an ASCII letter and an accent", "e\u0301!", "@!", {U"e\u0301"}},
        {"an extra character and a mark", "鷗\u20DD", "#", {U"鷗", U"鷗\u20DD"}},
        {"a mark at a line start stands alone", "\n\u309A", "\n@", {U"\u309A"}},
        {"a second mark stands alone", "e\u0301\u0301", "@#", {U"e\u0301", U"\u0301"}},
    };
    for (const auto& c : cases) {
        const DecodedText d = DecodeText(c.utf8, TextEncoding::Utf8);
        const std::string expected = WithCodes(c.cp932);
        EXPECT_EQ(d.cp932, expected) << c.what;
        ASSERT_EQ(d.extras.Size(), c.entries.size()) << c.what;
        for (std::size_t k = 0; k < c.entries.size(); ++k)
            EXPECT_EQ(d.extras.Find(k == 0 ? 0xF040 : 0xF041)->text, c.entries[k]) << c.what;
    }
}

TEST(ExtraChars, AFullTableLeavesGetaCountedOnItsLine) {
    std::string text = "a\n";
    for (char32_t cp = 0x20000; cp <= 0x20000 + ExtraChars::kCapacity; ++cp) {
        AppendUtf8(text, cp);
        if (cp == 0x20000 + ExtraChars::kCapacity - 1) text += "\n";
    }
    text += "\xFF";  // malformed: 〓 as ever
    const DecodedText d = DecodeText(text, TextEncoding::Utf8);
    EXPECT_EQ(d.extras.Size(), ExtraChars::kCapacity);
    EXPECT_EQ(d.report.replaced, 2u);
    EXPECT_EQ(d.report.firstReplacedLine, 3u);
    EXPECT_EQ(d.cp932.substr(d.cp932.size() - 4), Sjis("〓〓"));
}

TEST(GaijiNotes, NotesGiveTheirCharacters) {
    const struct {
        const char* note;  // between ［＃ and ］
        std::u32string text;
    } cases[] = {
        {"「てへん＋劣」、第3水準1-84-77", U"\u6318"},
        {"「特のへん＋廴＋聿」、第3水準1-87-71", U"\u728D"},
        {"「にんべん＋參」、第4水準2-1-79", U"\u50AA"},
        {"「口＋世」、U+546D、35-4", U"\u546D"},
        {"「土へん＋竒」、u+20BB7", U"\U00020BB7"},
        {"小書き片仮名ヒ、1-6-84", U"\u31F6"},
        {"「か」に半濁点、1-4-87", U"\u304B\u309A"},
        {"「か」に半濁点、U+304B+309A", U"\u304B\u309A"},
        {"「てへん＋劣」、第３水準１－８４－７７", U"\u6318"},
        {"「てへん＋劣」、底本では「劣」、第3水準1-84-77", U"\u6318"},
        {"「女＋（「第－竹」の「コ」に代えて「ノ」）、「姉」の正字、U+59CA、18-7", U"\u59CA"},
        // No code: the note stays a footnote.
        {"小書き平仮名ん、183-7", U""},
        {"「彳＋寺」", U""},
        {"「X」に傍点", U""},
        {"「a、1-84-77」", U""},
        {"第3水準1-84-77", U""},
        {"「x」、第3水準1-95-1", U""},
        {"「x」、3-1-1", U""},
        {"「x」、1-84-77-1", U""},
        {"「x」、U+D800", U""},
        {"「x」、U+110000", U""},
        {"「x」、U+12", U""},
        {"「x」、U+", U""},
        {"「x」、U+546D+", U""},
    };
    for (const auto& c : cases) EXPECT_EQ(GaijiCharacter(Sjis(c.note)), c.text) << c.note;
}

TEST(GaijiNotes, LinesTakeOneCellForEachNoteWithACode) {
    const std::string gaiji = "［＃「てへん＋劣」、第3水準1-84-77］";
    const struct {
        const char* what;
        std::string line;
        std::string expected;  // with @ for the first code given
    } cases[] = {
        {"with ※", Sjis("※" + gaiji + "陀多"), "@" + Sjis("陀多")},
        {"without ※", Sjis("の" + gaiji + "は"), Sjis("の") + "@" + Sjis("は")},
        {"twice, one code", Sjis("※" + gaiji + "と※" + gaiji), "@" + Sjis("と") + "@"},
        {"in a ruby", Sjis("｜※" + gaiji + "陀《かん》"), Sjis("｜") + "@" + Sjis("陀《かん》")},
        {"※ not just before it stays", Sjis("※a" + gaiji), Sjis("※a") + "@"},
        {"no code", Sjis("※［＃「彳＋寺」］"), Sjis("※［＃「彳＋寺」］")},
        {"emphasis", Sjis("字［＃「字」に傍点］"), Sjis("字［＃「字」に傍点］")},
        {"not closed", Sjis("※［＃「てへん＋劣」、第3水準1-84-77"),
         Sjis("※［＃「てへん＋劣」、第3水準1-84-77")},
        // "\x88\x81" is one character and "ｦ" (0xA6) the next: no ※ between them.
        {"a ※'s bytes across two characters", "\x88\x81\xA6" + Sjis(gaiji), "\x88\x81\xA6@"},
    };
    for (const auto& c : cases) {
        RowList lines = {c.line};
        ExtraChars table;
        const std::size_t n = ApplyGaijiNotes(lines, table);
        const std::string expected = WithCodes(c.expected);
        EXPECT_EQ(lines[0], expected) << c.what;
        EXPECT_EQ(n > 0, !table.Empty()) << c.what;
        if (!table.Empty()) {
            EXPECT_EQ(table.Find(0xF040)->note, Sjis("「てへん＋劣」、第3水準1-84-77")) << c.what;
        }
    }
}

TEST(GaijiNotes, ABooksOwnCodesAndTheOptionsAreKept) {
    const std::string gaiji = Sjis("※［＃「てへん＋劣」、第3水準1-84-77］");
    // A Shift_JIS book that uses 0xF040 itself, on a later line: it keeps it.
    RowList lines = {gaiji, Sjis("外字") + Code(0xF040)};
    ExtraChars table;
    EXPECT_EQ(ApplyGaijiNotes(lines, table), 1u);
    EXPECT_EQ(lines[0], Code(0xF041));
    EXPECT_EQ(lines[1], Sjis("外字") + Code(0xF040));
    EXPECT_EQ(table.Find(0xF040), nullptr);

    // Only with the annotations taken as layout.
    for (const auto& [aozora, comment, changed] :
         {std::tuple{false, true, false}, {true, false, false}, {true, true, true}}) {
        RowList book = {gaiji};
        ExtraChars extras;
        const FormatOptions options{PageLayout(20, 40), true, comment, "b.txt", aozora};
        ApplyGaijiNotes(book, extras, options);
        EXPECT_EQ(book[0] != gaiji, changed) << aozora << comment;
    }
}

}  // namespace
}  // namespace mirvo
