#include "app/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/folders.h"
#include "format/ascii.h"
#include "format/cp932.h"
#include "format/regular_file.h"

namespace mirvo {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// The bytes of the regular file at `path`, or nothing when there is none, it cannot be
// read or it is too large. A FIFO or device in its place is never opened for reading.
std::optional<std::string> LoadFile(const std::string& path) {
    FileReadResult file = ReadRegularFile(path, ProfileFile::kMaxFileBytes);
    if (file.status != FileReadStatus::Ok) return std::nullopt;
    return std::move(file.bytes);
}

// The escape of a byte that is not UTF-8: U+FDD0 and two hexadecimal digits.
constexpr std::string_view kByteEscape = "\xEF\xB7\x90";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The file's text as UTF-8, without a leading byte-order mark.
std::string Decode(std::string bytes, bool& hadBom) {
    hadBom = bytes.starts_with(kUtf8Bom);
    if (hadBom) bytes.erase(0, kUtf8Bom.size());
    if (IsValidUtf8(bytes)) return bytes;
    return Cp932ToUtf8(bytes);
}

struct Line {
    std::size_t begin = 0;  // first byte
    std::size_t end = 0;    // end of the content, before "\r\n" or "\n"
    std::size_t next = 0;   // first byte of the next line
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        Line line;
        line.begin = pos;
        if (nl == std::string_view::npos) {
            line.end = line.next = text.size();
        } else {
            line.end = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
            line.next = nl + 1;
        }
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

enum class LineKind { Other, Section, Key };

struct Parsed {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::size_t equals = 0;  // offset of "=" within the line (keys)
};

Parsed ParseLine(std::string_view line) {
    Parsed p;
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';') return p;
    if (t.front() == '[') {
        // A header without its "]" is no header; the line is kept but means nothing.
        const std::size_t close = t.rfind(']');
        if (close == std::string_view::npos) return p;
        p.kind = LineKind::Section;
        p.name = Trim(t.substr(1, close - 1));
        return p;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return p;
    p.kind = LineKind::Key;
    p.name = Trim(line.substr(0, eq));
    p.equals = eq;
    return p;
}

std::string UnquotedValue(std::string_view raw) {
    std::string_view v = Trim(raw);
    if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// The value as written after "=": no line breaks, and quoted when reading would otherwise
// lose its outer spaces or an outer pair of quotes.
std::string EncodedValue(std::string_view value) {
    std::string v(value);
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    if (!v.empty() && (IsBlank(v.front()) || IsBlank(v.back()) ||
                       (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front())))
        v = "\"" + v + "\"";
    return v;
}

// Where a key stands in the text, and where it would go.
struct Location {
    const Line* keyLine = nullptr;  // first occurrence of the key in a matching section
    std::size_t equals = 0;
    const Line* sectionLast = nullptr;  // header or last key line of the first matching section
};

Location Find(std::string_view text, const std::vector<Line>& lines, std::string_view section,
              std::string_view key, bool stopAtKey) {
    Location loc;
    bool inMatching = false;
    bool inFirstMatching = false;
    for (const Line& line : lines) {
        const Parsed p = ParseLine(text.substr(line.begin, line.end - line.begin));
        if (p.kind == LineKind::Section) {
            inMatching = EqualsNoCase(p.name, section);
            inFirstMatching = inMatching && loc.sectionLast == nullptr;
            if (inFirstMatching) loc.sectionLast = &line;
            continue;
        }
        if (p.kind != LineKind::Key || !inMatching) continue;
        if (inFirstMatching) loc.sectionLast = &line;
        if (!loc.keyLine && EqualsNoCase(p.name, key)) {
            loc.keyLine = &line;
            loc.equals = p.equals;
            if (stopAtKey) break;
        }
    }
    return loc;
}

std::string ReadText(const std::string& path, bool& hadBom) {
    std::optional<std::string> bytes = LoadFile(path);
    hadBom = false;
    if (!bytes) return {};
    return Decode(std::move(*bytes), hadBom);
}

// The real file behind a symbolic link, so that replacing it keeps the link.
std::string WriteTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = ::realpath(path.c_str(), nullptr);
        if (real) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

bool ReplaceFile(const std::string& target, std::string_view bytes, const struct stat* old,
                 mode_t createMode) {
    static unsigned counter = 0;
    const std::string folder = FolderOf(target);
    const std::string stem = JoinPath(folder, "." + BaseName(target) + ".tmp");
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = stem + std::to_string(::getpid()) + "_" + std::to_string(++counter);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, createMode);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    // The new file keeps the old one's permissions (best effort: a file owned by another
    // user may refuse the change, and the contents matter more).
    if (old != nullptr) (void)::fchmod(fd, old->st_mode & 07777);
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

ProfileWriteError::ProfileWriteError(const std::string& path)
    : std::runtime_error(path + " に書き込めません"), path_(path) {}
ProfileWriteError::ProfileWriteError(const std::string& path, const std::string& message)
    : std::runtime_error(message), path_(path) {}

ProfileTooLargeError::ProfileTooLargeError(const std::string& path)
    : ProfileWriteError(path, "ファイル:" + path + "は大きすぎるため（" +
                                  std::to_string(ProfileFile::kMaxFileBytes >> 20) +
                                  " MiB を超えています）、読み込まず、書き換えもしません。") {}

std::string EncodeProfileString(std::string_view bytes) {
    if (IsValidUtf8(bytes) && bytes.find(kByteEscape) == std::string_view::npos)
        return std::string(bytes);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t n = Utf8LengthAt(bytes, i);
        // The escape's own character is escaped too, so that decoding is exact.
        if (n > 0 && bytes.substr(i, n) != kByteEscape) {
            out.append(bytes.substr(i, n));
            i += n;
            continue;
        }
        for (std::size_t k = 0; k < std::max<std::size_t>(n, 1); ++k, ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            out.append(kByteEscape);
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        }
    }
    return out;
}

std::string DecodeProfileString(std::string_view stored) {
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = stored.find(kByteEscape, from);
        if (at == std::string_view::npos) break;
        const std::size_t digits = at + kByteEscape.size();
        const int hi = digits < stored.size() ? HexDigit(stored[digits]) : -1;
        const int lo = digits + 1 < stored.size() ? HexDigit(stored[digits + 1]) : -1;
        if (hi < 0 || lo < 0) {
            out.append(stored.substr(from, digits - from));
            from = digits;
            continue;
        }
        out.append(stored.substr(from, at - from));
        out += static_cast<char>(hi * 16 + lo);
        from = digits + 2;
    }
    out.append(stored.substr(from));
    return out;
}

std::optional<std::string> ProfileFile::ReadValue(std::string_view section,
                                                  std::string_view key) const {
    bool hadBom = false;
    const std::string text = ReadText(path_, hadBom);
    const std::vector<Line> lines = SplitLines(text);
    const Location loc = Find(text, lines, section, key, true);
    if (!loc.keyLine) return std::nullopt;
    const std::size_t from = loc.keyLine->begin + loc.equals + 1;
    return UnquotedValue(std::string_view(text).substr(from, loc.keyLine->end - from));
}

void ProfileFile::WriteValue(std::string_view section, std::string_view key,
                             std::string_view value) {
    const std::string target = WriteTarget(path_);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) throw ProfileWriteError(path_);
    if (exists && (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0))
        throw ProfileWriteError(path_);
    if (exists && static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes)
        throw ProfileTooLargeError(path_);

    std::string text;
    bool hadBom = false;
    if (exists) {
        // An existing file that cannot be read whole is refused: its lines must not be lost.
        std::optional<std::string> bytes = LoadFile(target);
        if (!bytes) throw ProfileWriteError(path_);
        text = Decode(std::move(*bytes), hadBom);
    }

    const std::size_t firstNewline = text.find('\n');
    const std::string eol =
        (firstNewline != std::string::npos && firstNewline > 0 && text[firstNewline - 1] == '\r')
            ? "\r\n"
            : "\n";
    const std::string encoded = EncodedValue(value);
    const std::vector<Line> lines = SplitLines(text);
    const Location loc = Find(text, lines, section, key, false);

    std::string out;
    out.reserve(text.size() + key.size() + encoded.size() + section.size() + 16);
    if (hadBom) out += kUtf8Bom;
    if (loc.keyLine) {
        const std::size_t from = loc.keyLine->begin + loc.equals + 1;
        out.append(text, 0, from);
        out += encoded;
        out.append(text, loc.keyLine->end, std::string::npos);
    } else if (loc.sectionLast) {
        const Line& after = *loc.sectionLast;
        out.append(text, 0, after.next);
        if (after.next == after.end) out += eol;  // the last line had no line break
        out.append(key).append("=").append(encoded).append(eol);
        out.append(text, after.next, std::string::npos);
    } else {
        out += text;
        if (!text.empty()) {
            if (text.back() != '\n') out += eol;
            if (!lines.empty() &&
                !Trim(std::string_view(text).substr(lines.back().begin,
                                                    lines.back().end - lines.back().begin))
                     .empty())
                out += eol;
        }
        out.append("[").append(section).append("]").append(eol);
        out.append(key).append("=").append(encoded).append(eol);
    }
    if (out.size() > kMaxFileBytes) throw ProfileWriteError(path_);
    if (!ReplaceFile(target, out, exists ? &st : nullptr)) throw ProfileWriteError(path_);
}

std::vector<std::pair<std::string, std::string>> ProfileFile::ReadSection(
    std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> values;
    bool hadBom = false;
    const std::string text = ReadText(path_, hadBom);
    const std::string_view view(text);
    bool inMatching = false;
    for (const Line& line : SplitLines(text)) {
        const std::string_view content = view.substr(line.begin, line.end - line.begin);
        const Parsed p = ParseLine(content);
        if (p.kind == LineKind::Section) inMatching = EqualsNoCase(p.name, section);
        if (p.kind == LineKind::Key && inMatching)
            values.emplace_back(std::string(p.name), UnquotedValue(content.substr(p.equals + 1)));
    }
    return values;
}

std::optional<int> ParseProfileInteger(std::string_view text) {
    std::string_view t = Trim(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    if (t.empty()) return std::nullopt;
    std::uint64_t v = 0;
    if (t.front() == '$' || t.starts_with("0x") || t.starts_with("0X")) {
        t.remove_prefix(t.front() == '$' ? 1 : 2);
        if (t.empty()) return std::nullopt;
        for (char c : t) {
            int d = -1;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            if (d < 0) return std::nullopt;
            v = v * 16 + static_cast<std::uint64_t>(d);
            if (v > 0xFFFFFFFFull) return std::nullopt;
        }
        // Hexadecimal is a 32-bit pattern: $FFFFFFFF is -1.
        std::uint32_t bits = static_cast<std::uint32_t>(v);
        if (negative) bits = 0u - bits;
        return static_cast<int>(static_cast<std::int32_t>(bits));
    }
    for (char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
        if (v > 0x80000000ull) return std::nullopt;
    }
    if (negative) return static_cast<int>(-static_cast<std::int64_t>(v));
    if (v > static_cast<std::uint64_t>(INT_MAX)) return std::nullopt;
    return static_cast<int>(v);
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                             int defaultValue) const {
    const std::optional<std::string> value = ReadValue(section, key);
    if (!value) return defaultValue;
    return ParseProfileInteger(*value).value_or(defaultValue);
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    std::optional<std::string> value = ReadValue(section, key);
    if (!value) return std::string(defaultValue);
    if (value->find(kByteEscape) != std::string::npos) value = DecodeProfileString(*value);
    if (value->size() > kMaxStringBytes) {
        std::size_t cut = kMaxStringBytes;
        while (cut > 0 && (static_cast<unsigned char>((*value)[cut]) & 0xC0) == 0x80) --cut;
        value->resize(cut);
    }
    return *value;
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteValue(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteValue(section, key, value ? "1" : "0");
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    WriteValue(section, key, EncodeProfileString(value));
}

bool ProfileFile::TooLarge() const {
    struct stat st {};
    return ::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes;
}

bool ProfileFile::SectionExists(std::string_view section) const {
    bool hadBom = false;
    const std::string text = ReadText(path_, hadBom);
    for (const Line& line : SplitLines(text)) {
        const Parsed p =
            ParseLine(std::string_view(text).substr(line.begin, line.end - line.begin));
        if (p.kind == LineKind::Section && EqualsNoCase(p.name, section)) return true;
    }
    return false;
}

}  // namespace mirvo
