#include "render/picture_source.h"

#include <sys/stat.h>

#include "render/illustration.h"
#include "render/picture_file.h"

namespace mirvo {

bool FilePictures::Look(const std::string& path, PictureStamp* stamp) const {
    struct stat st {};
    if (path.find('\0') != std::string::npos || ::stat(path.c_str(), &st) != 0) return false;
    *stamp = PictureStamp{static_cast<long long>(st.st_size),
                          st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
                          st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec,
                          static_cast<long long>(st.st_ino), static_cast<long long>(st.st_dev)};
    return true;
}

Result<Bitmap> FilePictures::Read(const std::string& path) const {
    return ReadPictureFile(path);
}

ArchivePictures::ArchivePictures(std::shared_ptr<const ZipArchive> archive,
                                 const std::string& bookMember)
    : archive_(std::move(archive)),
      bookFolder_(MemberFolder(bookMember)),
      besideFolder_(IllustrationPath(archive_->Path(), "")) {}

bool ArchivePictures::Look(const std::string&, PictureStamp* stamp) const {
    *stamp = PictureStamp{};
    return true;
}

Result<Bitmap> ArchivePictures::Read(const std::string& path) const {
    Problem missing;
    missing.kind = ProblemKind::ArchiveMemberMissing;
    missing.path = archive_->Path();
    missing.detail = path;
    if (path.rfind(besideFolder_, 0) != 0) return missing;
    const std::string relative = path.substr(besideFolder_.size());
    const std::string name = JoinMemberName(bookFolder_, relative);
    missing.detail = name.empty() ? relative : name;
    const ZipMember* member = name.empty() ? nullptr : archive_->Find(name);
    if (member == nullptr) return missing;
    const Result<std::string> bytes = archive_->Read(*member, kMaxPictureFileBytes);
    if (!bytes) return bytes.GetProblem();
    return DecodePicture(bytes.Value(), archive_->Path() + "/" + member->name);
}

namespace {

// Every picture refused with one Problem (the book's archive could not be read).
class RefusedPictures final : public PictureSource {
  public:
    explicit RefusedPictures(Problem problem) : problem_(std::move(problem)) {}
    bool Look(const std::string&, PictureStamp* stamp) const override {
        *stamp = PictureStamp{};
        return true;
    }
    Result<Bitmap> Read(const std::string&) const override { return problem_; }

  private:
    Problem problem_;
};

}  // namespace

std::shared_ptr<const PictureSource> BookPictures(const std::string& documentPath) {
    if (!IsZipPath(documentPath)) return std::make_shared<FilePictures>();
    Result<std::shared_ptr<const ZipArchive>> archive = ZipArchive::Open(documentPath);
    if (!archive) return std::make_shared<RefusedPictures>(archive.GetProblem());
    const ZipMember* book = archive.Value()->BookText();
    return std::make_shared<ArchivePictures>(archive.Value(), book ? book->name : "");
}

}  // namespace mirvo
