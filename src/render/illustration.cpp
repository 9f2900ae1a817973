#include "render/illustration.h"

#include <cmath>

#include "format/ascii.h"
#include "format/cp932.h"
#include "format/formatter.h"

namespace mirvo {

namespace {

// The folder of a path, without a trailing "/" except for the root itself. A bare file
// name lies in the current folder.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

int Trunc(double v) {
    return static_cast<int>(v);
}

}  // namespace

bool IsIllustrationTag(std::string_view row) {
    return IsImageTagLine(row);
}

IllustrationTag ParseIllustrationTag(std::string_view row) {
    IllustrationTag tag;
    tag.isTag = IsIllustrationTag(row);
    if (!tag.isTag) return tag;

    const std::size_t open = row.find('"');
    if (open != std::string_view::npos) {
        const std::size_t close = row.find('"', open + 1);
        tag.nameClosed = close != std::string_view::npos;
        tag.fileName = std::string(
            row.substr(open + 1, tag.nameClosed ? close - open - 1 : std::string_view::npos));
    }

    // The keywords are looked for in the whole row, file name included.
    const std::string upper = UpperAscii(row);
    auto has = [&](const char* word) { return upper.find(word) != std::string::npos; };
    tag.full = has("FULL");
    tag.trans = has("TRANS");
    if (has("BOTTOM")) {
        tag.position = IllustrationPosition::Bottom;
    } else if (has("MIDDLE")) {
        tag.position = IllustrationPosition::Middle;
    } else if (has("TOP")) {
        tag.position = IllustrationPosition::Top;
    }
    return tag;
}

std::string IllustrationPath(const std::string& documentPath, std::string_view cp932Name) {
    std::string name = Cp932ToUtf8(cp932Name);
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    const std::string folder = FolderOf(documentPath);
    return (folder == "/" ? folder : folder + "/") + name;
}

Rect IllustrationRect(int W, int H, int pw, int ph, const IllustrationTag& tag) {
    // The picture box: 90 % of the page width, in the page's proportion 1 : 1.4.
    const int bw = Trunc(0.9 * W);
    const int bh = Trunc(1.4 * bw);
    const double rho = static_cast<double>(ph) / pw;
    int dw, dh;
    if (pw <= bw && ph <= bh && !tag.full) {
        dw = pw;
        dh = ph;
    } else if (rho < 1.4) {
        dh = Trunc(bw * rho + 0.5);
        dw = Trunc(dh / rho + 0.5);
    } else {
        dw = Trunc(bh / rho + 0.5);
        dh = Trunc(dw * rho + 0.5);
    }
    const int left = Trunc((W - dw) / 2.0);
    int top;
    switch (tag.position) {
        case IllustrationPosition::Top:
            top = 0;
            break;
        case IllustrationPosition::Bottom:
            top = H - dh;
            break;
        default:
            top = Trunc((H - dh) / 2.0);
            break;
    }
    return Rect{left, top, left + dw, top + dh};
}

Result<bool> DrawIllustration(Bitmap& page, std::string_view row, const std::string& documentPath,
                              PictureCache& pictures, ProblemReporter& reporter) {
    const IllustrationTag tag = ParseIllustrationTag(row);
    if (!tag.isTag) return false;
    if (!tag.nameClosed) {
        Problem unclosed;
        unclosed.kind = ProblemKind::IllustrationNameUnclosed;
        unclosed.detail = Cp932ToUtf8(tag.fileName);
        reporter.Report(unclosed);
        return false;
    }
    pictures.ForBook(documentPath);
    const Result<std::shared_ptr<const Bitmap>> read =
        pictures.Get(IllustrationPath(documentPath, tag.fileName));
    if (!read) return read.GetProblem();
    const Bitmap& picture = *read.Value();
    if (picture.Empty()) return false;
    const Rect r =
        IllustrationRect(page.Width(), page.Height(), picture.Width(), picture.Height(), tag);
    if (tag.trans) {
        StretchDrawTransparent(page, r, picture, picture.Pixel(0, picture.Height() - 1));
    } else {
        StretchDraw(page, r, picture);
    }
    return true;
}

}  // namespace mirvo
