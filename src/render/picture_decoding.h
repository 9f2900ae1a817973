// What the picture decoders share: the Problem of a refused file and the pixel limit's
// check. Inside the render layer only.
#pragma once

#include <string>
#include <utility>

#include "format/problem.h"
#include "render/picture_file.h"

namespace mirvo::picture {

inline Problem Refused(ProblemKind kind, const std::string& path, std::string detail = {}) {
    Problem p;
    p.kind = kind;
    p.path = path;
    p.detail = std::move(detail);
    return p;
}

// A stated size as the messages give it: "W x H".
inline std::string SizeText(long long width, long long height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

inline bool TooManyPixels(long long width, long long height) {
    return width * height > kMaxPicturePixels;
}

}  // namespace mirvo::picture
