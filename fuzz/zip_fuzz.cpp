// A ZIP archive of any bytes: its members listed and read with a cap, its book picked, and
// its members read as the illustrations of that book.
#include "format/zip_archive.h"
#include "fuzz_support.h"
#include "render/picture_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mirvo;
    constexpr std::uint64_t kCap = 1 << 20;
    Result<std::shared_ptr<const ZipArchive>> opened =
        ZipArchive::FromBytes(std::string(reinterpret_cast<const char*>(data), size), "/f/a.zip");
    if (!opened) return 0;
    const ZipArchive& archive = *opened.Value();
    const std::size_t count = std::min<std::size_t>(archive.Members().size(), 64);
    for (std::size_t i = 0; i < count; ++i) {
        const ZipMember& m = archive.Members()[i];
        const Result<std::string> read = archive.Read(m, kCap);
        if (read && read.Value().size() > kCap) fuzz::Fault("member read over the cap");
        if (read && read.Value().size() != m.size) fuzz::Fault("member read at another size");
    }
    const ZipMember* book = archive.BookText();
    const ArchivePictures pictures(opened.Value(), book ? book->name : "");
    for (std::size_t i = 0; i < std::min<std::size_t>(count, 8); ++i) {
        (void)pictures.Read("/f/" + archive.Members()[i].name);
    }
    return 0;
}
