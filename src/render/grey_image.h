// Pages in 8-bit grey, as e-ink readers show them, and their PNG form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/bitmap.h"

namespace mirvo {

// The grey of a colour: its luma by the ITU-R BT.601 weights, rounded.
constexpr std::uint8_t GreyLevel(int red, int green, int blue) {
    return static_cast<std::uint8_t>((299 * red + 587 * green + 114 * blue + 500) / 1000);
}

struct GreyImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;  // rows top-down, one byte a pixel
};

// `part` of `bitmap` (clipped to it) in grey.
GreyImage ToGrey(const Bitmap& bitmap, const Rect& part);

// The picture as an 8-bit greyscale PNG file's bytes. Throws std::runtime_error when libpng
// refuses it (an empty picture, no memory).
std::string EncodeGreyPng(const GreyImage& image);

}  // namespace mirvo
