#include "render/note_layout.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "render/illustration.h"

namespace mirvo {

int SizedHeight(int bodyHeight, int cellHeight, int steps) {
    if (bodyHeight <= 0) return 0;
    double scale = 1.0;
    if (steps < 0) scale = std::max(0.5, 1.0 - 0.15 * -steps);
    if (steps > 0) scale = 1.0 + 0.2 * std::min(steps, 5);
    int h = static_cast<int>(std::lround(bodyHeight * scale));
    if (steps > 0) h = std::max(bodyHeight, std::min(h, cellHeight));
    return std::max(1, h);
}

bool IsMissingPicture(const Problem& p) {
    return (p.kind == ProblemKind::PictureUnreadable && p.count == ENOENT) ||
           p.kind == ProblemKind::ArchiveMemberMissing;
}

Result<bool> DrawPictureNote(Bitmap& page, std::string_view file, const std::string& documentPath,
                             PictureCache& pictures, ProblemReporter& reporter) {
    std::string tag = "<IMG SRC=\"";
    tag += file;
    tag += "\">";
    Result<bool> drawn = DrawIllustration(page, tag, documentPath, pictures, reporter);
    if (!drawn && IsMissingPicture(drawn.GetProblem())) return false;
    return drawn;
}

}  // namespace mirvo
