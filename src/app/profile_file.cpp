#include "app/profile_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <list>
#include <unordered_map>
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

// The first line of `key` in a section named `section`, or null.
const Line* FindKey(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                    std::string_view key, std::size_t& equals) {
    bool inMatching = false;
    for (const Line& line : lines) {
        const Parsed p = ParseLine(text.substr(line.begin, line.end - line.begin));
        if (p.kind == LineKind::Section) inMatching = EqualsNoCase(p.name, section);
        if (p.kind == LineKind::Key && inMatching && EqualsNoCase(p.name, key)) {
            equals = p.equals;
            return &line;
        }
    }
    return nullptr;
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

// The file's lines as a write changes them: each line's content and its own line break, with
// the first key line of each (section, key) and the place where a section takes new keys
// (its header or last key line, in its first occurrence), so that a batch of values costs
// one pass over the file and leaves what one WriteValue after another would leave.
class Document {
  public:
    explicit Document(std::string_view text) {
        const std::size_t firstNewline = text.find('\n');
        if (firstNewline != std::string_view::npos && firstNewline > 0 &&
            text[firstNewline - 1] == '\r')
            eol_ = "\r\n";
        std::string section;
        bool inSection = false, firstOfName = false;
        for (const Line& line : SplitLines(text)) {
            const auto it = lines_.insert(
                lines_.end(), {std::string(text.substr(line.begin, line.end - line.begin)),
                               std::string(text.substr(line.end, line.next - line.end))});
            const Parsed p = ParseLine(it->content);
            if (p.kind == LineKind::Section) {
                section = Lower(p.name);
                inSection = true;
                firstOfName = sectionEnd_.try_emplace(section, it).second;
            } else if (p.kind == LineKind::Key && inSection) {
                keys_.try_emplace(section + '\n' + Lower(p.name), it);
                if (firstOfName) sectionEnd_[section] = it;
            }
        }
    }

    void Set(std::string_view section, std::string_view key, std::string_view value) {
        const std::string name = Lower(section);
        const std::string id = name + '\n' + Lower(Trim(key));
        if (const auto k = keys_.find(id); k != keys_.end()) {
            std::string& content = k->second->content;
            content.resize(ParseLine(content).equals + 1);
            content += value;
            return;
        }
        auto end = sectionEnd_.find(name);
        if (end == sectionEnd_.end()) end = AddSection(section, name);
        if (end->second->eol.empty()) end->second->eol = eol_;  // the file's last line
        const auto it = lines_.insert(std::next(end->second),
                                      {std::string(key) + "=" + std::string(value), eol_});
        end->second = it;
        keys_.emplace(id, it);
    }

    std::string Text() const {
        std::string out;
        for (const DocLine& line : lines_) out.append(line.content).append(line.eol);
        return out;
    }

  private:
    struct DocLine {
        std::string content;
        std::string eol;  // "", "\n" or "\r\n"
    };
    using Iterator = std::list<DocLine>::iterator;

    static std::string Lower(std::string_view s) {
        std::string out(s);
        for (char& c : out) c = AsciiLower(c);
        return out;
    }

    // A new section at the end, after a blank line when the file has text.
    std::unordered_map<std::string, Iterator>::iterator AddSection(std::string_view section,
                                                                   const std::string& name) {
        if (!lines_.empty()) {
            if (lines_.back().eol.empty()) lines_.back().eol = eol_;
            if (!Trim(lines_.back().content).empty()) lines_.push_back({"", eol_});
        }
        const auto header = lines_.insert(lines_.end(), {"[" + std::string(section) + "]", ""});
        return sectionEnd_.emplace(name, header).first;
    }

    std::list<DocLine> lines_;
    std::string eol_ = "\n";
    std::unordered_map<std::string, Iterator> keys_;        // "section\nkey" (lower case)
    std::unordered_map<std::string, Iterator> sectionEnd_;  // section (lower case)
};

// The writer's process id in a temporary name after its prefix, or 0 when there is none.
pid_t WriterOf(std::string_view rest, char separator) {
    pid_t pid = 0;
    std::size_t i = 0;
    for (; i < rest.size() && i < 9 && rest[i] >= '0' && rest[i] <= '9'; ++i)
        pid = pid * 10 + (rest[i] - '0');
    return (i > 0 && i < rest.size() && rest[i] == separator) ? pid : 0;
}

bool Running(pid_t pid) {
    return pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH;
}

// Removes the temporary files of `target` whose writer is no longer running: today's short
// names, and the long ones of earlier versions (".<name>.tmp<pid>_<n>").
void RemoveOrphans(const std::string& folder, const std::string& target) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::string shortPrefix = TemporaryNamePrefix(target);
    const std::string longPrefix = "." + BaseName(target) + ".tmp";
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        pid_t pid = 0;
        if (name.starts_with(shortPrefix) && name.ends_with(".tmp"))
            pid = WriterOf(name.substr(shortPrefix.size()), '-');
        else if (name.starts_with(longPrefix))
            pid = WriterOf(name.substr(longPrefix.size()), '_');
        if (pid > 0 && !Running(pid)) (void)::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// A new temporary file beside `target`, open for writing; -1 when none can be made.
int CreateTemp(const std::string& folder, const std::string& target, mode_t mode,
               std::string& temp) {
    static unsigned counter = 0;
    const std::string stem =
        JoinPath(folder, TemporaryNamePrefix(target)) + std::to_string(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = stem + "-" + std::to_string(++counter) + ".tmp";
        const int fd =
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

// The temporary files of a target: ".mirvo-<8 hex digits of the name's hash>-<pid>-<n>.tmp".
std::string TemporaryNamePrefix(const std::string& target) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (char c : BaseName(target)) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    char buf[24];
    std::snprintf(buf, sizeof buf, ".mirvo-%08x-", static_cast<unsigned>(hash));
    return buf;
}

bool ReplaceFile(const std::string& target, std::string_view bytes, const struct stat* old,
                 mode_t createMode) {
    const std::string folder = FolderOf(target);
    RemoveOrphans(folder, target);
    std::string temp;
    const int fd = CreateTemp(folder, target, createMode, temp);
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
    if (IsValidUtf8(bytes) && bytes.find(kByteEscape) == std::string_view::npos &&
        bytes.find_first_of("\r\n") == std::string_view::npos)
        return std::string(bytes);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t n = Utf8LengthAt(bytes, i);
        // The escape's own character is escaped too, so that decoding is exact, and so are
        // line breaks, so that the value stays on its line.
        if (n > 0 && bytes.substr(i, n) != kByteEscape && bytes[i] != '\r' && bytes[i] != '\n') {
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
    std::size_t equals = 0;
    const Line* keyLine = FindKey(text, lines, section, key, equals);
    if (!keyLine) return std::nullopt;
    const std::size_t from = keyLine->begin + equals + 1;
    return UnquotedValue(std::string_view(text).substr(from, keyLine->end - from));
}

void ProfileFile::WriteValue(std::string_view section, std::string_view key,
                             std::string_view value) {
    const ProfileChange change{std::string(section), std::string(key), std::string(value)};
    WriteValues(std::span(&change, 1));
}

void ProfileFile::WriteValues(std::span<const ProfileChange> changes) {
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
    Document document(text);
    for (const ProfileChange& c : changes) document.Set(c.section, c.key, EncodedValue(c.value));
    const std::string out = (hadBom ? std::string(kUtf8Bom) : std::string()) + document.Text();
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

namespace {

// One value written as a batch of one, so that single writes store values as batches do.
template <class T>
void WriteOne(ProfileFile& file, void (ProfileEdit::*set)(std::string_view, std::string_view, T),
              std::string_view section, std::string_view key, T value) {
    ProfileEdit edit(file);
    (edit.*set)(section, key, value);
    edit.Commit();
}

}  // namespace

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteOne(*this, &ProfileEdit::SetInteger, section, key, value);
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteOne(*this, &ProfileEdit::SetBool, section, key, value);
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    WriteOne(*this, &ProfileEdit::SetString, section, key, value);
}

void ProfileEdit::Set(std::string_view section, std::string_view key, std::string value) {
    changes_.push_back({std::string(section), std::string(key), std::move(value)});
}

void ProfileEdit::SetInteger(std::string_view section, std::string_view key, int value) {
    Set(section, key, std::to_string(value));
}

void ProfileEdit::SetBool(std::string_view section, std::string_view key, bool value) {
    Set(section, key, value ? "1" : "0");
}

void ProfileEdit::SetString(std::string_view section, std::string_view key,
                            std::string_view value) {
    Set(section, key, EncodeProfileString(value));
}

void ProfileEdit::Commit() {
    std::vector<ProfileChange> changes = std::move(changes_);
    changes_.clear();
    file_.WriteValues(changes);
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
