// Books in ZIP archives: the archive read whole (a regular file within a limit), its
// members listed, and a member read by name with a cap that never trusts the sizes the
// archive states. The archive is read through libzip.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "format/problem.h"

struct zip;

namespace mirvo {

// The largest archive that is read, as large as the largest book.
inline constexpr std::uint64_t kMaxArchiveBytes = 256u << 20;
// Deflate packs at most 1032 bytes into one; a member stated to unpack to more than this
// many times its packed size (and more than kArchiveRatioSlack bytes) is a ZIP bomb.
inline constexpr std::uint64_t kMaxArchiveRatio = 1032;
inline constexpr std::uint64_t kArchiveRatioSlack = 64u << 10;

struct ZipMember {
    std::string name;          // UTF-8 with "/" between folders (names in CP932 converted)
    std::uint64_t index = 0;   // the place in the archive's directory
    std::uint64_t size = 0;    // the unpacked size the archive states
    std::uint64_t packed = 0;  // the packed size the archive states
    bool encrypted = false;
    bool folder = false;  // a folder entry (its name ends in "/")
};

class ZipArchive {
  public:
    // Reads the archive at `path` (ReadRegularFile, at most kMaxArchiveBytes). Refused as
    // a book file is (BookNotRegular, BookTooLarge, BookUnreadable), ArchiveNotZip (no
    // archive at all) or ArchiveDamaged (a directory that does not hold together).
    static Result<std::shared_ptr<const ZipArchive>> Open(const std::string& path);
    // The same on bytes already read; `path` names the archive in Problems.
    static Result<std::shared_ptr<const ZipArchive>> FromBytes(std::string bytes,
                                                               const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    const std::string& Path() const { return path_; }
    // In the order of the archive's directory.
    const std::vector<ZipMember>& Members() const { return members_; }

    // The member of that name: the exact name first, else the first whose name differs
    // only in the case of ASCII letters. Null when none (folders are not found).
    const ZipMember* Find(std::string_view name) const;

    // The book of the archive: the first member in the archive's order whose name ends in
    // ".txt" (any case), in any folder, leaving out folders and the "__MACOSX/" copies
    // some archivers add. Null when there is none.
    const ZipMember* BookText() const;

    // The unpacked bytes of `member`, at most `maxBytes`. Refused, with the member's name
    // as detail: ArchiveMemberTooLarge (stated over the cap; count: the cap),
    // ArchiveMemberEncrypted, ArchiveMemberUnsupported (a packing libzip cannot undo),
    // ArchiveMemberBomb (stated sizes beyond deflate's reach), ArchiveMemberSizeMismatch
    // (the data unpacks to more or less than stated), ArchiveMemberDamaged (a bad
    // checksum or packed data). At most maxBytes + 1 bytes are ever unpacked.
    Result<std::string> Read(const ZipMember& member, std::uint64_t maxBytes) const;

  private:
    ZipArchive() = default;
    Problem MemberProblem(ProblemKind kind, const ZipMember& member) const;

    std::string path_;
    std::string bytes_;
    ::zip* zip_ = nullptr;
    std::vector<ZipMember> members_;
    mutable std::mutex reading_;  // libzip's archive is not to be read from two threads
};

// The book of the archive at `path`: the bytes of its text (BookText, at most
// kMaxArchiveBytes, the book limit) and the member's name. Refused as Open and Read are,
// or ArchiveNoText.
struct ArchiveBook {
    std::string bytes;
    std::string member;
};
Result<ArchiveBook> ReadArchiveBook(const std::string& path);

// True when `path` ends in ".zip" (any case): such a book is opened as an archive.
bool IsZipPath(const std::string& path);

// The folder part of a member's name, with its trailing "/" ("" at the top).
std::string MemberFolder(std::string_view name);

// `folder` + `name` with "." and ".." folders resolved; empty when ".." would leave the
// archive.
std::string JoinMemberName(std::string_view folder, std::string_view name);

}  // namespace mirvo
