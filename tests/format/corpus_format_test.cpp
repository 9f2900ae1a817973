// Real novels and generated texts: no error, no text lost, widths kept, pages whole.
#include <gtest/gtest.h>

#include <random>

#include "format/cp932.h"
#include "format/format_test_util.h"

namespace mirvo::test {
namespace {

struct LayoutCase {
    int rows, chars;
    bool ruby, comment;
};

TEST(CorpusFormat, EveryNovelAtSeveralLayouts) {
    const auto files = CorpusFiles();
    ASSERT_GE(files.size(), 10u) << "sample novels missing in " << MIRVO_CORPUS_DIR;
    for (const std::string& file : files) {
        Result<RowList> loaded = LoadLines(file);
        ASSERT_TRUE(loaded);
        RowList source = std::move(loaded.Value());
        for (const LayoutCase& l :
             {LayoutCase{10, 25, true, true}, LayoutCase{8, 17, true, true},
              LayoutCase{20, 40, false, true}, LayoutCase{6, 12, true, false}}) {
            FormatOptions o{PageLayout(l.rows, 2 * l.chars), l.ruby, l.comment, file};
            RowList rows = source;
            RecordingHost host;
            ASSERT_TRUE(FormatDocument(rows, o, host))
                << file << ": " << (host.errors.empty() ? "" : host.errors[0]);
            EXPECT_EQ(CheckRowInvariants(source, rows, o), "")
                << file << " " << l.rows << "x" << l.chars;
        }
    }
}

// A generator of lines in CP932 built from every kind of text and markup.
class LineGenerator {
  public:
    explicit LineGenerator(unsigned seed) : rng_(seed) {
        for (const char* s : {"吾", "輩", "猫", "名", "前", "無", "あ", "い", "ア", "ン", "ー"}) {
            plain_.push_back(Sjis(s));
        }
        int pos = 1;
        const std::string sets =
            Sjis("]}):;,.-?!ﾞﾟ｣･~・：；？！゛゜‐’”）〕｝〉」』】,.､｡、。，．[{(‘“（〔｛〈「『【");
        while (pos <= static_cast<int>(sets.size())) special_.emplace_back(NextChar(sets, pos));
        for (const char* s : {"a", "Z", "1", " ", "ｱ", "ｶ"}) half_.push_back(Sjis(s));
    }

    std::string Line() {
        const int kind = Pick(100);
        if (kind < 3) return Sjis("<IMG \"p.bmp\" FULL>");
        if (kind < 5) return Sjis("<skip>");
        if (kind < 12) return "";
        std::string line = plain_[Pick(plain_.size())];  // never a forbidden first character
        const int pieces = Pick(60);
        for (int i = 0; i < pieces; ++i) {
            const int p = Pick(100);
            if (p < 50) {
                line += plain_[Pick(plain_.size())];
            } else if (p < 65) {
                line += special_[Pick(special_.size())];
            } else if (p < 73) {
                line += half_[Pick(half_.size())];
            } else if (p < 80) {
                line += Sjis(Pick(2) ? "｜" : "") + plain_[Pick(plain_.size())] + Sjis("《") +
                        Text(Pick(6)) + Sjis("》");
            } else if (p < 85) {
                line +=
                    Sjis("［＃「") + Text(1 + Pick(3)) + Sjis(Pick(2) ? "」に傍点］" : "」は注］");
            } else if (p < 88) {
                line += Sjis("［＃") + Text(Pick(8)) + Sjis("］");
            } else if (p < 90) {
                line += Sjis(Pick(2) ? "》" : "］");  // closers with nothing open are text
            } else {
                line += plain_[Pick(plain_.size())];
            }
        }
        if (Pick(20) == 0) line += static_cast<char>(0x81 + Pick(20));  // lone lead byte
        return line;
    }

  private:
    std::size_t Pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
    }
    int Pick(int n) { return static_cast<int>(Pick(static_cast<std::size_t>(n))); }
    std::string Text(int n) {
        std::string t;
        for (int i = 0; i < n; ++i) {
            t += Pick(4) ? plain_[Pick(plain_.size())] : special_[Pick(special_.size())];
        }
        return t;
    }

    std::mt19937 rng_;
    std::vector<std::string> plain_, special_, half_;
};

TEST(GeneratedFormat, InvariantsHoldOnRandomMarkup) {
    LineGenerator gen(20261208);
    for (int doc = 0; doc < 300; ++doc) {
        RowList source;
        const int lines = 1 + doc % 40;
        for (int i = 0; i < lines; ++i) source.push_back(gen.Line());
        const int rows = 1 + doc % 12, chars = 1 + (doc * 7) % 30;
        FormatOptions o{PageLayout(rows, 2 * chars), doc % 3 != 0, doc % 4 != 0, "gen.txt"};
        RowList formatted = source;
        RecordingHost host;
        const bool ok = FormatDocument(formatted, o, host);
        if (!ok) {
            // Only a forbidden character or an opener at the start of the first line
            // (which long first lines can bring about) may fail here.
            ASSERT_EQ(host.problems.size(), 1u);
            const ProblemKind k = host.problems[0].kind;
            EXPECT_TRUE(k == ProblemKind::FormatForbiddenAtStart ||
                        k == ProblemKind::FormatRubyAtStart || k == ProblemKind::FormatNoteAtStart)
                << host.errors[0];
            EXPECT_TRUE(formatted.empty());
            continue;
        }
        const std::string fault = CheckRowInvariants(source, formatted, o);
        EXPECT_EQ(fault, "") << "document " << doc;
        if (!fault.empty() && getenv("MIRVO_DEBUG")) {
            for (auto& l : source) printf("L[%s]\n", Cp932ToUtf8(l).c_str());
            for (auto& r : formatted) printf("R[%s]\n", Cp932ToUtf8(r).c_str());
        }
    }
}

TEST(GeneratedFormat, ArbitraryBytesNeverCrash) {
    std::mt19937 rng(7);
    for (int doc = 0; doc < 200; ++doc) {
        std::string bytes(static_cast<std::size_t>(rng() % 4000), '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        RowList rows = SplitLines(bytes);
        RecordingHost host;
        const bool ok = FormatDocument(
            rows, FormatOptions{PageLayout(1 + doc % 5, 2 + doc % 9), true, true, "b"}, host);
        EXPECT_EQ(ok, host.errors.empty());
        if (ok) {
            EXPECT_TRUE(rows.back().empty());
        }
    }
}

}  // namespace
}  // namespace mirvo::test
