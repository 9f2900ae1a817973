#include "render/picture_cache.h"

#include <algorithm>

namespace mirvo {

PictureCache::PictureCache(std::size_t maxBytes, int keepPages)
    : source_(std::make_shared<FilePictures>()), maxBytes_(maxBytes), keepPages_(keepPages) {}

void PictureCache::SetSource(std::shared_ptr<const PictureSource> source) {
    source_ = source ? std::move(source) : std::make_shared<FilePictures>();
    Clear();
}

void PictureCache::ForBook(const std::string& documentPath) {
    PictureStamp stamp;
    if (!FilePictures().Look(documentPath, &stamp)) stamp = PictureStamp{};
    if (documentPath == book_ && stamp == bookStamp_) return;
    book_ = documentPath;
    bookStamp_ = stamp;
    SetSource(BookPictures(documentPath));
}

Result<std::shared_ptr<const Bitmap>> PictureCache::Decode(const std::string& path) {
    ++decodes_;
    Result<Bitmap> read = source_->Read(path);
    if (!read) return read.GetProblem();
    return std::shared_ptr<const Bitmap>(std::make_shared<Bitmap>(std::move(read.Value())));
}

Result<std::shared_ptr<const Bitmap>> PictureCache::Get(const std::string& path) {
    PictureStamp stamp;
    if (!source_->Look(path, &stamp)) {
        return Decode(path);  // refused by the reading itself, which names why
    }
    ++use_;
    for (Entry& e : entries_) {
        if (e.path == path && e.stamp == stamp) {
            e.lastPage = page_;
            e.lastUse = use_;
            return e.picture;
        }
    }
    Entry entry{path, stamp, Decode(path)};
    if (entry.picture) {
        const Bitmap& b = *entry.picture.Value();
        entry.bytes = static_cast<std::size_t>(b.Stride()) * static_cast<std::size_t>(b.Height());
    }
    entry.lastPage = page_;
    entry.lastUse = use_;
    Result<std::shared_ptr<const Bitmap>> picture = entry.picture;
    Keep(std::move(entry));
    return picture;
}

void PictureCache::Keep(Entry entry) {
    // An older picture of the same path is out of date.
    for (std::size_t i = entries_.size(); i-- > 0;) {
        if (entries_[i].path == entry.path) Drop(i);
    }
    bytes_ += entry.bytes;
    entries_.push_back(std::move(entry));
    // The least recently drawn go first; the picture just decoded stays even when it
    // alone is over the bound (its spread is on show).
    while (bytes_ > maxBytes_ && entries_.size() > 1) {
        const auto oldest =
            std::min_element(entries_.begin(), entries_.end() - 1,
                             [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
        Drop(static_cast<std::size_t>(oldest - entries_.begin()));
    }
}

void PictureCache::Drop(std::size_t index) {
    bytes_ -= entries_[index].bytes;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

void PictureCache::NextPage() {
    ++page_;
    for (std::size_t i = entries_.size(); i-- > 0;) {
        if (page_ - entries_[i].lastPage > keepPages_) Drop(i);
    }
}

void PictureCache::Clear() {
    entries_.clear();
    bytes_ = 0;
}

}  // namespace mirvo
