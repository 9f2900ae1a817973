// The JPEG decoder on any bytes.
#include "fuzz_support.h"
#include "render/picture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mirvo;
    try {
        const Bitmap b =
            DecodeJpeg(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.jpg");
        if (static_cast<long long>(b.Width()) * b.Height() > kMaxPicturePixels)
            fuzz::Fault("picture over the pixel limit");
    } catch (const PictureError&) {
    }
    return 0;
}
