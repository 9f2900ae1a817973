// The gaiji notes on any lines, and the decoding of any bytes with its extra characters:
// a code given out is never one the book uses, every user-defined code in the lines is the
// book's own or has its entry, a line never grows, and every character a note names is a
// Unicode scalar.
#include <set>

#include "format/document.h"
#include "format/encoding.h"
#include "format/extra_chars.h"
#include "format/gaiji_notes.h"
#include "fuzz_support.h"

namespace {

using namespace mirvo;

std::set<std::uint16_t> UserDefinedCodes(const RowList& lines) {
    std::set<std::uint16_t> codes;
    for (const std::string& line : lines) {
        for (std::size_t i = 0; i < line.size();) {
            const std::size_t len = CharLengthAt(line, i);
            if (const std::uint16_t code = ExtraChars::UserDefinedCode(line.substr(i, len)))
                codes.insert(code);
            i += len;
        }
    }
    return codes;
}

void CheckNotes(RowList lines, ExtraChars& extras) {
    const RowList before = lines;
    const std::set<std::uint16_t> own = UserDefinedCodes(lines);
    std::set<std::uint16_t> given;
    for (unsigned code = 0xF040; code <= 0xF9FC; ++code)
        if (extras.Find(static_cast<std::uint16_t>(code))) given.insert(code);
    ApplyGaijiNotes(lines, extras);
    if (extras.Size() > ExtraChars::kCapacity) fuzz::Fault("table past its size");
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].size() > before[i].size()) fuzz::Fault("a line grew");
    for (const std::uint16_t code : UserDefinedCodes(lines)) {
        const ExtraChars::Entry* entry = extras.Find(code);
        if (!entry && !own.count(code)) fuzz::Fault("a user-defined code without its entry");
        if (entry && own.count(code) && !given.count(code))
            fuzz::Fault("a code of the book given out");
        if (entry && entry->text.empty()) fuzz::Fault("an entry without a character");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t flags = in.Byte();
    const std::string_view rest = in.Rest();
    for (const char32_t cp : GaijiCharacter(rest))
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) fuzz::Fault("no scalar");
    // The bytes as a Shift_JIS book, and decoded in an encoding with their extra characters.
    ExtraChars extras;
    CheckNotes(SplitLines(rest), extras);
    const TextEncoding encodings[] = {TextEncoding::Auto, TextEncoding::Utf8, TextEncoding::Utf16,
                                      TextEncoding::EucJp};
    DecodedText d = DecodeText(std::string(rest), encodings[flags % 4]);
    CheckNotes(SplitLines(d.cp932), d.extras);
    (void)d.extras.ToUtf8(d.cp932);
    return 0;
}
