// Where the illustrations of a book come from: the files beside the book, or the members of
// the ZIP archive the book was read from. The picture cache asks its source for each
// picture by the path an illustration names (IllustrationPath).
#pragma once

#include <memory>
#include <string>

#include "format/problem.h"
#include "format/zip_archive.h"
#include "render/bitmap.h"

namespace mirvo {

// What tells two states of a picture apart: a picture whose stamp changed is decoded again.
struct PictureStamp {
    long long size = 0, mtime = 0, ctime = 0, inode = 0, device = 0;
    bool operator==(const PictureStamp&) const = default;
};

class PictureSource {
  public:
    virtual ~PictureSource() = default;
    // The stamp of the picture at `path`; false when it cannot even be looked at (its
    // reading then says why, and nothing is kept of it).
    virtual bool Look(const std::string& path, PictureStamp* stamp) const = 0;
    virtual Result<Bitmap> Read(const std::string& path) const = 0;
};

// Picture files (ReadPictureFile), stamped by their size, times, inode and device.
class FilePictures final : public PictureSource {
  public:
    bool Look(const std::string& path, PictureStamp* stamp) const override;
    Result<Bitmap> Read(const std::string& path) const override;
};

// The pictures of a book read from an archive. A path names the place beside the archive
// file (the illustration's path as if the archive were the book): what follows the
// archive's folder is a member's name relative to the book's folder inside the archive.
// The archive is held in memory, so a member never changes. Refused: ArchiveMemberMissing
// (no such member, or a name that leaves the archive), the refusals of ZipArchive::Read
// (at most kMaxPictureFileBytes) and of the decoders, which name the picture
// "<archive path>/<member name>".
class ArchivePictures final : public PictureSource {
  public:
    ArchivePictures(std::shared_ptr<const ZipArchive> archive, const std::string& bookMember);
    bool Look(const std::string& path, PictureStamp* stamp) const override;
    Result<Bitmap> Read(const std::string& path) const override;

  private:
    std::shared_ptr<const ZipArchive> archive_;
    std::string bookFolder_;    // the folder of the book's member, "" or ending in "/"
    std::string besideFolder_;  // the archive's folder as illustration paths begin with it
};

// The pictures of the book at `documentPath`: an archive's members when the book is a ZIP
// (IsZipPath; the archive read now, its book's folder from BookText), else files. An
// archive that cannot be read gives a source that refuses every picture with its Problem.
std::shared_ptr<const PictureSource> BookPictures(const std::string& documentPath);

}  // namespace mirvo
