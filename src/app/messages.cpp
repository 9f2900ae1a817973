#include "app/messages.h"

#include <cerrno>
#include <optional>

#include "format/cp932.h"

namespace mirvo {

namespace {

// ---- render -------------------------------------------------------------------------

// Pictures: the decoders' own words, then ": " and the path.
struct PictureText {
    ProblemKind kind;
    const char* text;
};
constexpr PictureText kPictureTexts[] = {
    {ProblemKind::PictureNotRegular, "Not a regular file"},
    {ProblemKind::PictureFileTooLarge, "File too large"},
    {ProblemKind::PictureOutOfMemory, "Out of memory"},
    {ProblemKind::BmpNotBmp, "Not a BMP file"},
    {ProblemKind::BmpHeaderUnsupported, "Unsupported BMP header"},
    {ProblemKind::BmpBadWidth, "Bad BMP width"},
    {ProblemKind::BmpCompressionUnsupported, "Unsupported BMP compression"},
    {ProblemKind::BmpBadCompression, "Bad BMP compression"},
    {ProblemKind::BmpTruncated, "BMP file is truncated"},
    {ProblemKind::JpegTooManyScans, "Too many scans in JPEG file"},
};

// What is wrong with the picture, before ": <path>"; none for other kinds.
std::optional<std::string> PictureReason(const Problem& p) {
    for (const PictureText& t : kPictureTexts) {
        if (t.kind == p.kind) return t.text;
    }
    switch (p.kind) {
        case ProblemKind::PictureUnreadable: {
            const std::string why = SystemErrorText(static_cast<int>(p.count));
            return why.empty() ? "読み込めません" : why;
        }
        case ProblemKind::PictureTooManyPixels:
            return "Picture too large (" + p.detail + " pixels)";
        case ProblemKind::BmpTooShort:
            return "BMP file is too short for " + p.detail + " pixels";
        case ProblemKind::JpegTooShort:
            return "JPEG file is too short for " + p.detail + " pixels";
        case ProblemKind::BmpUndecodable:
            return p.detail.empty() ? "Bad BMP file" : p.detail;
        case ProblemKind::JpegUndecodable:
            return p.detail.empty() ? "Bad JPEG file" : p.detail;
        default:
            return std::nullopt;
    }
}

std::optional<std::string> WordRender(const Problem& p) {
    if (const std::optional<std::string> reason = PictureReason(p))
        return *reason + ": " + ReadableUtf8(p.path);
    switch (p.kind) {
        case ProblemKind::IllustrationNameUnclosed: {
            std::string text =
                "挿絵の表示処理中にエラーが発生しました。\r\nデリミタ \" "
                "が閉じられていないようです。\r\n";
            if (p.detail != ">")
                text += "\r\n挿絵のファイル名は" + p.detail + "です。確認してください。";
            return text;
        }
        case ProblemKind::PageMarkupUnclosed:
            return "ファイル:" + ReadableUtf8(p.path) + "の整形中にメモリーアクセス関連の" +
                   "エラーが発生しました。原因は不明です。\r\n" +
                   "上記ファイルの内容を確認してみてください。";
        default:
            return std::nullopt;
    }
}

}  // namespace

std::string SystemErrorText(int error) {
    switch (error) {
        case ENOENT:
            return "ファイルまたはフォルダーがありません";
        case EACCES:
        case EPERM:
            return "アクセスが許可されていません";
        case EISDIR:
            return "フォルダーです";
        case ENOTDIR:
            return "途中の名前がフォルダーではありません";
        case ENAMETOOLONG:
            return "名前が長すぎます";
        case ELOOP:
            return "シンボリックリンクが多すぎます";
        case EIO:
            return "入出力エラーが発生しました";
        case ENOMEM:
            return "メモリーが足りません";
        case EMFILE:
        case ENFILE:
            return "開いているファイルが多すぎます";
        case ENOSPC:
            return "ディスクの空きが足りません";
        case EROFS:
            return "読み取り専用のファイルシステムです";
        default:
            return "";
    }
}

std::string Word(const Problem& problem) {
    if (std::optional<std::string> text = WordRender(problem)) return *text;
    switch (problem.kind) {
        case ProblemKind::None:
            break;
        default:
            break;
        // app: the reader core
        case ProblemKind::BookMissing:
            return "ファイル:" + problem.path + "は存在しないようです。" +
                   "上記ファイルの存在を確認してみてください。";
        // app: the settings files
        case ProblemKind::SettingsBadColour:
            return "'" + problem.detail + "' は正しい色ではありません";
    }
    return {};
}

}  // namespace mirvo
