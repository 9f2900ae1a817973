// A book's extra characters: the characters it holds that CP932 has no code for (鷗 or 𠮷
// in a UTF-8 book, a character that a gaiji annotation describes). Each is given a
// two-byte code of CP932's user-defined area (lead bytes 0xF0 to 0xF9, 1,880 codes), so
// that rows stay CP932 byte strings and an extra character is one full-width cell to the
// formatter, kinsoku, the page arithmetic and the hit test. The table keeps, for each code,
// the character's Unicode sequence (one code point or a few: a base and its combining
// mark) and the annotation it came from, if any. The renderer draws the sequence, the app
// shows it (ToUtf8); nothing else needs to know.
//
// Codes the book itself uses (a Shift_JIS book with user-defined characters) are reserved
// before any is given out, so the book keeps them.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace mirvo {

class ExtraChars {
  public:
    static constexpr std::size_t kCapacity = 1880;  // 10 lead bytes x 188 trail bytes

    struct Entry {
        std::u32string text;  // the character as Unicode code points
        std::string note;     // the text of the annotation it came from (CP932), or empty
    };

    // True when the two-byte CP932 `code` lies in the user-defined area.
    static bool IsUserDefined(std::uint16_t code);
    // The code of `ch` (one CP932 character, its bytes) when it lies in the user-defined
    // area, else 0.
    static std::uint16_t UserDefinedCode(std::string_view ch);

    // Reserves the user-defined codes the CP932 text `cp932` uses (read character by
    // character), so that they are not given out.
    void ReserveUsedCodes(std::string_view cp932);
    // The code for `text` from `note`: the code given before to the same text (which takes
    // `note` when it had none), else the first free one. 0 when the table is full, or
    // `text` is empty or holds a value that is no Unicode scalar.
    std::uint16_t Add(std::u32string_view text, std::string_view note = {});

    // The entry of `code`, or null when the table gave it no entry.
    const Entry* Find(std::uint16_t code) const;
    const Entry* Find(std::string_view ch) const { return Find(UserDefinedCode(ch)); }
    std::size_t Size() const { return byCode_.size(); }
    bool Empty() const { return byCode_.empty(); }

    // CP932 text as UTF-8 for the reader: each extra character becomes its own sequence,
    // everything else converts as Cp932ToUtf8 converts it.
    std::string ToUtf8(std::string_view cp932) const;
    // Cp932ToUtf8 gives a user-defined code as the private-use character of its place
    // (0xF040 as U+E000, on in code order to U+E757). In UTF-8 text made so, each such
    // character the table has an entry for becomes the entry's sequence.
    std::string ResolvePrivateUse(std::string_view utf8) const;
    // The other way, for a query: each character of `utf8` that is the whole sequence of an
    // entry becomes the private-use character of the entry's code, which Utf8ToCp932 turns
    // into the code itself.
    std::string ToPrivateUse(std::string_view utf8) const;

  private:
    std::bitset<kCapacity> taken_;
    std::size_t nextFree_ = 0;  // no slot below it is free
    std::map<std::uint16_t, Entry> byCode_;
    std::map<std::u32string, std::uint16_t> byText_;
};

// `cp932` of a book as UTF-8 for the reader: extras->ToUtf8, or Cp932ToUtf8 without a
// table.
std::string BookTextUtf8(std::string_view cp932, const ExtraChars* extras);

// A code point as UTF-8 (nothing for a value that is no Unicode scalar).
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace mirvo
