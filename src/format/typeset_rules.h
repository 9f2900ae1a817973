// Book typesetting: the rules a printed Japanese book sets its columns by, shared by the
// formatter (which cuts the rows) and the page renderer (which draws them), so that both
// read a row as the same units of the same widths.
//
// A row is read as units, each of which stays whole in one column: a character, a run of
// dashes or leaders (――, ……, ‥‥), a ruby group (its base and its reading), a footnote
// mark, and markup that takes no cell (｜, emphasis and layout annotations, which stay
// with the unit before them). Widths count bytes of the column, as everywhere: a
// full-width cell is 2, a ruby character half a cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace mirvo {

// Classes of a character, by character code (the byte, or lead << 8 | trail).
enum TypesetClass : std::uint8_t {
    kTsHang = 1,     // 。、，．: may hang below a full column, one at most
    kTsNoStart = 2,  // closing brackets, ！？, iteration marks: never begin a column
    kTsNoEnd = 4,    // opening brackets: never end a column
    kTsKana = 8,     // hiragana and katakana: a longer ruby may overhang them
    kTsRun = 16,     // ― … ‥: a run of one of them is never broken
    kTsMarkup = 32,  // ｜《［: may begin markup
};
std::uint8_t TypesetClassOf(std::uint16_t code);
// The script of a character, which finds the base of a ruby written without ｜: the run
// of characters of one script before 《 (kanji, hiragana, katakana, latin); 0 for others.
int ScriptOf(std::uint16_t code);

enum class UnitKind : std::uint8_t {
    Text,   // characters no rule looks at, one after the other: may break between any two
    Char,   // one character, drawn in its cell
    Run,    // a run of one repeated dash or leader
    Group,  // a ruby base and its reading
    Mark,   // a footnote annotation: a circled mark in one cell
    Zero,   // markup that draws nothing in the column and takes no cell
};

struct TypesetUnit {
    std::uint32_t begin = 0, end = 0;          // all its bytes, markup included
    std::uint32_t baseBegin = 0, baseEnd = 0;  // what is drawn in the column (Char, Run, Group)
    std::uint32_t rubyBegin = 0, rubyEnd = 0;  // Group: the reading between 《 and 》
    UnitKind kind = UnitKind::Char;
    std::uint8_t cls = 0;                    // Char: its class; Run: kTsRun; others 0
    std::uint8_t firstCls = 0, lastCls = 0;  // of its first and last drawn character
    bool emphasis = false;                   // Zero: an annotation asking for dots
    bool notesInBase = false;                // Group: its base holds annotations
    int baseWidth = 0;                       // bytes of the column its base takes, unspread
};

// Where a layout annotation (one that takes no cell) begins: given the byte `at` of a
// "［" and whether only such annotations stand before it, the byte past its "］", or 0.
class HiddenNotes {
  public:
    virtual ~HiddenNotes() = default;
    virtual std::size_t Take(std::string_view text, std::size_t at, bool atStart) = 0;
};

// Makes the text unit units[k] one unit a character; returns how many it became.
std::size_t ExplodeText(std::string_view text, std::vector<TypesetUnit>& units, std::size_t k);

// Reads `text` (a source line or a row) into units. `ruby` and `notes` say whether 《》
// and ［＃］ are markup. A ruby or an annotation not closed in `text` is its text when
// `openAsText` (and `leftOpen`, when given, is set); else the result is false, and the units
// read up to it stand in `units`.
bool ReadTypesetUnits(std::string_view text, bool ruby, bool notes, HiddenNotes* hidden,
                      std::vector<TypesetUnit>& units, bool openAsText = false,
                      bool* leftOpen = nullptr);

// The bytes of the column `u` takes: a ruby group longer than its base may overhang the
// kana on both sides of it (`overhang`) by up to one ruby character each, and stays centred;
// beyond that its base is spread over whole cells.
int UnitWidth(const TypesetUnit& u, bool overhang);
// Whether the group units[k] of a column holding units [from, to) overhangs its
// neighbours: both stand in the column and are kana.
bool GroupOverhangs(const std::vector<TypesetUnit>& units, std::size_t k, std::size_t from,
                    std::size_t to);
// The bytes of the column units [from, to) take, as the renderer sets them.
int ColumnWidth(const std::vector<TypesetUnit>& units, std::size_t from, std::size_t to);

// Where the characters of a ruby group stand, in bytes of the column from the top of its
// first cell: each base character's top, each ruby character's top (negative when the ruby
// overhangs the unit above). Base characters are spread 1:2:1 over the group's width when
// the ruby needs more than the base; a ruby shorter than the group is spread 1:2:1 over
// it; a longer one is centred on it.
struct GroupPlacement {
    std::vector<double> base, ruby;  // base: one top for each of BasePieces
};
GroupPlacement PlaceGroup(std::string_view text, const TypesetUnit& u, int width);

// The pieces of a group's base in order: its characters and the annotations among them (a
// character written as an annotation after ※), with the bytes of the column each takes.
struct BasePiece {
    std::size_t at = 0, len = 0;
    int width = 0;      // 0 for an emphasis annotation, 2 for a footnote mark
    bool note = false;  // an annotation
};
std::vector<BasePiece> BasePieces(std::string_view text, const TypesetUnit& u);

// A source line of one character repeated, longer than `limit` bytes (a separator line of
// hyphens): how many of its bytes a column holds; 0 when the line is no such line.
std::size_t SeparatorCut(std::string_view line, int limit);

}  // namespace mirvo
