// Decoded illustrations kept while they are on a nearby spread, so that a picture is
// decoded once however often its spread is shown.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "format/problem.h"
#include "render/bitmap.h"
#include "render/picture_source.h"

namespace mirvo {

class PictureCache {
  public:
    // The decoded bitmaps kept, in bytes: a few pictures at the pixel limit (120 MB each).
    static constexpr std::size_t kDefaultBytes = std::size_t{256} << 20;
    // Pictures not drawn on the last 8 pages drawn (4 spreads) are let go.
    static constexpr int kDefaultPages = 8;

    explicit PictureCache(std::size_t maxBytes = kDefaultBytes, int keepPages = kDefaultPages);

    // The picture at `path`, read from the source (files beside the book unless set
    // otherwise). A picture is known by its path and its stamp: a file's size,
    // modification and change times and inode, so that a picture replaced or changed on
    // disk is decoded again. A picture that cannot be decoded is kept as its Problem (it is
    // reported at each display, but decoded once); one that cannot even be looked at is
    // not kept.
    Result<std::shared_ptr<const Bitmap>> Get(const std::string& path);

    // Where the pictures come from from now on (null: files); what was kept is let go.
    void SetSource(std::shared_ptr<const PictureSource> source);
    // The pictures of the book at `documentPath` (BookPictures), set when the book differs
    // from the one of the last call or its file changed (stamped as a picture file is): a
    // ZIP book's archive is read once, on its first picture. It replaces a source set
    // with SetSource.
    void ForBook(const std::string& documentPath);

    // Counts a page drawn: what the last keepPages pages did not draw is let go.
    void NextPage();
    void Clear();

    long long Decodes() const { return decodes_; }  // decodings so far
    std::size_t Bytes() const { return bytes_; }    // pixel bytes kept

  private:
    struct Entry {
        std::string path;
        PictureStamp stamp;
        Result<std::shared_ptr<const Bitmap>> picture;
        std::size_t bytes = 0;
        long long lastPage = 0;  // page_ when last drawn
        long long lastUse = 0;   // use_ when last drawn
    };
    Result<std::shared_ptr<const Bitmap>> Decode(const std::string& path);
    void Keep(Entry entry);
    void Drop(std::size_t index);

    std::shared_ptr<const PictureSource> source_;
    std::string book_;  // the book of ForBook ("" before any)
    PictureStamp bookStamp_;
    std::size_t maxBytes_;
    int keepPages_;
    std::vector<Entry> entries_;
    std::size_t bytes_ = 0;
    long long page_ = 0;
    long long use_ = 0;
    long long decodes_ = 0;
};

}  // namespace mirvo
