#include "format/zip_archive.h"

#include <zip.h>

#include <algorithm>

#include "format/ascii.h"
#include "format/cp932.h"
#include "format/regular_file.h"

namespace mirvo {

namespace {

// Members are unpacked in pieces of this size.
constexpr std::uint64_t kReadPiece = 64u << 10;

Problem ArchiveProblem(ProblemKind kind, const std::string& path, std::string detail = {}) {
    Problem p = FileProblem(kind, path);
    p.detail = std::move(detail);
    return p;
}

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
    if (s.size() < tail.size()) return false;
    return std::equal(tail.begin(), tail.end(), s.end() - static_cast<std::ptrdiff_t>(tail.size()),
                      [](char a, char b) { return AsciiUpper(a) == AsciiUpper(b); });
}

// A member's name as UTF-8: names not marked or valid as UTF-8 are taken as CP932, the
// encoding of the Japanese archivers; "\" becomes "/".
std::string MemberName(std::string_view raw) {
    std::string name = IsValidUtf8(raw) ? std::string(raw) : Cp932ToUtf8(raw);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// The members as the archive's directory states them. False when an entry cannot be
// looked at (a damaged directory).
bool ListMembers(::zip* archive, std::vector<ZipMember>* members) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        const auto index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
        if (raw == nullptr || zip_stat_index(archive, index, 0, &st) != 0) return false;
        ZipMember m;
        m.name = MemberName(raw);
        m.index = index;
        m.size = st.size;
        m.packed = st.comp_size;
        m.encrypted =
            (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
        m.folder = !m.name.empty() && m.name.back() == '/';
        members->push_back(std::move(m));
    }
    return true;
}

}  // namespace

Result<std::shared_ptr<const ZipArchive>> ZipArchive::Open(const std::string& path) {
    FileReadResult file = ReadRegularFile(path, kMaxArchiveBytes);
    if (file.status != FileReadStatus::Ok) return FileReadProblem(path, file, kMaxArchiveBytes);
    return FromBytes(std::move(file.bytes), path);
}

Result<std::shared_ptr<const ZipArchive>> ZipArchive::FromBytes(std::string bytes,
                                                                const std::string& path) {
    std::shared_ptr<ZipArchive> archive(new ZipArchive());
    archive->path_ = path;
    archive->bytes_ = std::move(bytes);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(archive->bytes_.data(), archive->bytes_.size(), 0, &error);
    if (source != nullptr) {
        archive->zip_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (archive->zip_ == nullptr) zip_source_free(source);
    }
    zip_error_fini(&error);
    // An archive that cannot be opened is called none at all when it does not even begin
    // as one; libzip calls a cut or damaged archive none as well.
    const bool notZip = archive->bytes_.rfind("PK", 0) != 0;
    if (archive->zip_ == nullptr) {
        return ArchiveProblem(notZip ? ProblemKind::ArchiveNotZip : ProblemKind::ArchiveDamaged,
                              path);
    }
    if (!ListMembers(archive->zip_, &archive->members_))
        return ArchiveProblem(ProblemKind::ArchiveDamaged, path);
    return std::shared_ptr<const ZipArchive>(std::move(archive));
}

ZipArchive::~ZipArchive() {
    if (zip_ != nullptr) zip_discard(zip_);
}

const ZipMember* ZipArchive::Find(std::string_view name) const {
    for (const ZipMember& m : members_) {
        if (!m.folder && m.name == name) return &m;
    }
    for (const ZipMember& m : members_) {
        if (!m.folder && EqualsNoCase(m.name, name)) return &m;
    }
    return nullptr;
}

const ZipMember* ZipArchive::BookText() const {
    for (const ZipMember& m : members_) {
        if (!m.folder && EndsWithNoCase(m.name, ".txt") && m.name.rfind("__MACOSX/", 0) != 0)
            return &m;
    }
    return nullptr;
}

Problem ZipArchive::MemberProblem(ProblemKind kind, const ZipMember& member) const {
    return ArchiveProblem(kind, path_, member.name);
}

Result<std::string> ZipArchive::Read(const ZipMember& member, std::uint64_t maxBytes) const {
    if (member.encrypted) return MemberProblem(ProblemKind::ArchiveMemberEncrypted, member);
    if (member.size > maxBytes) {
        Problem p = MemberProblem(ProblemKind::ArchiveMemberTooLarge, member);
        p.count = static_cast<long long>(maxBytes);
        return p;
    }
    if (member.size > member.packed * kMaxArchiveRatio + kArchiveRatioSlack)
        return MemberProblem(ProblemKind::ArchiveMemberBomb, member);
    std::lock_guard<std::mutex> lock(reading_);
    zip_file_t* file = zip_fopen_index(zip_, member.index, 0);
    if (file == nullptr) {
        const int code = zip_error_code_zip(zip_get_error(zip_));
        const bool unsupported = code == ZIP_ER_COMPNOTSUPP || code == ZIP_ER_ENCRNOTSUPP;
        return MemberProblem(
            unsupported ? ProblemKind::ArchiveMemberUnsupported : ProblemKind::ArchiveMemberDamaged,
            member);
    }
    // One byte more than stated is asked for: data that goes on past its size is a lie.
    std::string out;
    zip_int64_t got = 0;
    while (out.size() <= member.size) {
        const std::uint64_t want = std::min(kReadPiece, member.size + 1 - out.size());
        const std::size_t at = out.size();
        out.resize(at + want);
        got = zip_fread(file, out.data() + at, want);
        out.resize(at + static_cast<std::size_t>(std::max<zip_int64_t>(got, 0)));
        if (got <= 0) break;
    }
    const int code = got < 0 ? zip_error_code_zip(zip_file_get_error(file)) : ZIP_ER_OK;
    zip_fclose(file);
    if (code == ZIP_ER_INCONS || (code == ZIP_ER_OK && out.size() != member.size))
        return MemberProblem(ProblemKind::ArchiveMemberSizeMismatch, member);
    if (code != ZIP_ER_OK) return MemberProblem(ProblemKind::ArchiveMemberDamaged, member);
    return out;
}

Result<ArchiveBook> ReadArchiveBook(const std::string& path) {
    const Result<std::shared_ptr<const ZipArchive>> archive = ZipArchive::Open(path);
    if (!archive) return archive.GetProblem();
    const ZipMember* text = archive.Value()->BookText();
    if (text == nullptr) return ArchiveProblem(ProblemKind::ArchiveNoText, path);
    Result<std::string> bytes = archive.Value()->Read(*text, kMaxArchiveBytes);
    if (!bytes) return bytes.GetProblem();
    return ArchiveBook{std::move(bytes.Value()), text->name};
}

bool IsZipPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name =
        std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    return name.size() > 4 && EndsWithNoCase(name, ".zip");
}

std::string MemberFolder(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(name.substr(0, slash + 1));
}

std::string JoinMemberName(std::string_view folder, std::string_view name) {
    std::vector<std::string_view> parts;
    const std::string joined = std::string(folder) + std::string(name);
    std::string_view rest = joined;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part == "..") {
            if (parts.empty()) return {};
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    }
    std::string out;
    for (const std::string_view part : parts) out += (out.empty() ? "" : "/") + std::string(part);
    return out;
}

}  // namespace mirvo
