// The PNG decoder on any bytes.
#include "fuzz_support.h"
#include "render/picture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mirvo;
    const Result<Bitmap> b =
        DecodePng(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.png");
    if (b && static_cast<long long>(b.Value().Width()) * b.Value().Height() > kMaxPicturePixels)
        fuzz::Fault("picture over the pixel limit");
    return 0;
}
