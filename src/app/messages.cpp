#include "app/messages.h"

#include <cerrno>
#include <optional>

#include "format/cp932.h"
#include "format/regular_file.h"

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
    {ProblemKind::PngNotPng, "Not a PNG file"},
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
        case ProblemKind::PngTooShort:
            return "PNG file is too short for " + p.detail + " pixels";
        case ProblemKind::PngUndecodable:
            return p.detail.empty() ? "Bad PNG file" : p.detail;
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

// ---- format: ZIP archives ------------------------------------------------------------

// The archive file itself: worded as a book file that cannot be read.
std::optional<std::string> WordArchiveFile(const Problem& p) {
    FileReadResult file;
    switch (p.kind) {
        case ProblemKind::ArchiveNotRegular:
            file.status = FileReadStatus::NotRegular;
            break;
        case ProblemKind::ArchiveTooLarge:
            file.status = FileReadStatus::TooLarge;
            break;
        case ProblemKind::ArchiveUnreadable:
            file.status = FileReadStatus::ReadFailed;
            file.error = static_cast<int>(p.count);
            break;
        default:
            return std::nullopt;
    }
    return FileReadMessage(ReadableUtf8(p.path), file, static_cast<std::uint64_t>(p.count));
}

std::optional<std::string> WordArchive(const Problem& p) {
    if (std::optional<std::string> text = WordArchiveFile(p)) return text;
    const std::string file = "ファイル:" + ReadableUtf8(p.path);
    const std::string member = file + "の中の" + p.detail + "は";
    switch (p.kind) {
        case ProblemKind::ArchiveDamaged:
            return file + "は ZIP ファイルとして読めません（" + p.detail + "）。";
        case ProblemKind::ArchiveNoText:
            return file + "の中に本文のテキストファイル（.txt）がありません。";
        case ProblemKind::ArchiveMemberMissing:
            return file + "の中に" + p.detail + "がありません。";
        case ProblemKind::ArchiveMemberTooLarge:
            return member + "大きすぎるため、開けません（" + std::to_string(p.count >> 20) +
                   " MiB まで）。";
        case ProblemKind::ArchiveMemberEncrypted:
            return member + "暗号化されているため、開けません。";
        case ProblemKind::ArchiveMemberUnsupported:
            return member + "対応していない方式で圧縮されているため、開けません。";
        case ProblemKind::ArchiveMemberBomb:
            return member +
                   "圧縮データに対して大きすぎる展開サイズが記録されているため、開けません。";
        case ProblemKind::ArchiveMemberSizeMismatch:
            return member + "記録された大きさと中身が合わないため、開けません。";
        case ProblemKind::ArchiveMemberDamaged:
            return member + "壊れているため、開けません。";
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
    if (std::optional<std::string> text = WordArchive(problem)) return *text;
    switch (problem.kind) {
        case ProblemKind::None:
            break;
        default:
            break;
    }
    return {};
}

}  // namespace mirvo
