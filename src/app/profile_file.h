// Profile (INI) files read key by key, with no cache, and written in batches.
//
// Every read reads the file. A write (one value, or a ProfileEdit of many) reads the file,
// changes its values and replaces the file once (a temporary file in the same folder,
// written, flushed to disk and renamed over the old one), so a crash at any moment leaves
// either the whole old file or the whole new one.
//
// Sections and keys match without regard to ASCII letter case; where a section or a key
// occurs twice, the first occurrence wins. Lines beginning with ";" are comments. A value
// is the text after the first "=", without the spaces around it and without one pair of
// enclosing quotes. Files are written as UTF-8; a file whose bytes are not valid UTF-8
// (written on Windows) is read as CP932 and becomes UTF-8 at its first write.
//
// Strings are bytes: a string that is not UTF-8 (a file name from a Windows archive) is
// stored with each of its other bytes, and each line break (CR, LF), written as the escape
// U+FDD0 and two hexadecimal digits, so that the file stays UTF-8 with one value a line and
// the string reads back to the same bytes.
// U+FDD0 is a noncharacter, set aside for a program's own use: no text needs it, so every
// string that is UTF-8 is stored as it is, and files written before read the same.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirvo {

// A write the file system refused. The text is "<path> に書き込めません".
class ProfileWriteError : public std::runtime_error {
  public:
    explicit ProfileWriteError(const std::string& path);
    const std::string& Path() const { return path_; }

  protected:
    ProfileWriteError(const std::string& path, const std::string& message);

  private:
    std::string path_;
};

// A file over ProfileFile::kMaxFileBytes: it is neither read (every key gives its default)
// nor written, so that nothing in it is lost. The text says so, naming the file.
class ProfileTooLargeError : public ProfileWriteError {
  public:
    explicit ProfileTooLargeError(const std::string& path);
};

// One value to set: `value` is the text as stored after "=" (WriteValue's `value`).
struct ProfileChange {
    std::string section;
    std::string key;
    std::string value;
};

class ProfileFile {
  public:
    // Longest string a read returns, in bytes (cut at a character boundary).
    static constexpr std::size_t kMaxStringBytes = 1023;
    // Larger files are read as empty and refused for writing (ProfileTooLargeError).
    static constexpr std::size_t kMaxFileBytes = 64u << 20;

    explicit ProfileFile(std::string path) : path_(std::move(path)) {}
    virtual ~ProfileFile() = default;

    const std::string& Path() const { return path_; }

    // The value of `key` in `section`, or nothing when the file, the section or the key is
    // missing (or the file cannot be read). Not cut to kMaxStringBytes.
    virtual std::optional<std::string> ReadValue(std::string_view section,
                                                 std::string_view key) const;
    // Sets the value of `key` in `section`, creating the file, the section or the key as
    // needed and keeping every other line. Line breaks in `value` become spaces. Throws
    // ProfileWriteError when the file cannot be replaced; the file is then unchanged.
    void WriteValue(std::string_view section, std::string_view key, std::string_view value);
    // Sets every value of `changes`, in order, with one replacement of the file: the file
    // becomes what as many WriteValue calls would leave, or (when refused: ProfileWriteError)
    // stays as it was. Stale temporary files of this file, whose writer has gone, are removed
    // on the way.
    virtual void WriteValues(std::span<const ProfileChange> changes);

    // Integers: decimal with an optional sign, or hexadecimal after "$", "0x" or "0X"
    // (8 digits at most, taken as 32-bit two's complement). Absent, empty, malformed or
    // out-of-range values give `defaultValue`.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // Booleans are integers; non-zero is true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // At most kMaxStringBytes bytes; an absent key gives `defaultValue`, an empty value "".
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    bool SectionExists(std::string_view section) const;
    // True when the file is larger than kMaxFileBytes (and so left alone).
    bool TooLarge() const;

    // Every key of `section` (of all its occurrences, in file order) with its value, read
    // in one pass: for callers that need many keys of one section at once. Keys keep
    // their spelling; on lookup the first of a name wins.
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const;

  private:
    std::string path_;
};

// A batch of values for one file, replacing it once at Commit. The setters take the same
// values as ProfileFile's writers.
class ProfileEdit {
  public:
    explicit ProfileEdit(ProfileFile& file) : file_(file) {}

    void SetInteger(std::string_view section, std::string_view key, int value);
    void SetBool(std::string_view section, std::string_view key, bool value);
    void SetString(std::string_view section, std::string_view key, std::string_view value);

    // Writes every value set so far (ProfileFile::WriteValues) and starts a new batch.
    void Commit();

  private:
    void Set(std::string_view section, std::string_view key, std::string value);

    ProfileFile& file_;
    std::vector<ProfileChange> changes_;
};

// A string as stored in a profile file, and back (see the escape above). Decoding leaves an
// escape that is not followed by two hexadecimal digits as it is.
std::string EncodeProfileString(std::string_view bytes);
std::string DecodeProfileString(std::string_view stored);

// Integer text as profile files read it; nothing for a malformed value.
std::optional<int> ParseProfileInteger(std::string_view text);

// Puts `bytes` in place of the file at `target` in one step: a temporary file in the same
// folder, written, flushed to disk and renamed over it. The new file takes the permissions
// of `old` when given, else `createMode` less the umask. False when it cannot; the old
// file is then untouched and no temporary file is left.
//
// The temporary name is short whatever the target's (".mirvo-<hash of the target's name>-
// <pid>-<n>.tmp", under 40 bytes), so that a target whose name is near the file system's
// limit can still be replaced. Temporary files of the same target left by a writer that is
// no longer running (killed part way) are removed first; a running writer's never are.
bool ReplaceFile(const std::string& target, std::string_view bytes, const struct stat* old,
                 mode_t createMode = 0666);
// ".mirvo-<hash>-": how the temporary files of `target` begin.
std::string TemporaryNamePrefix(const std::string& target);

}  // namespace mirvo
