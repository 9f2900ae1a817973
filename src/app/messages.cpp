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

// format ---------------------------------------------------------------------------------

std::string FileHead(const Problem& p) {
    return "ファイル:" + p.path;
}

std::string ReadErrorHead(const Problem& p) {
    return FileHead(p) + "の読込み中にエラーが発生しました。\r\n";
}

const char* const kLine1Tail = "\r\n\r\n場所は、物理行で、1行目です。確認してください。";

std::string Unreadable(const Problem& p) {
    const std::string why = SystemErrorText(p.systemError);
    return FileHead(p) + "を読み込めません" + (why.empty() ? "" : "（" + why + "）") + "。";
}

std::string FormatFailure(const Problem& p, const char* what) {
    return FileHead(p) + "の整形中に" + what +
           "関連のエラーが発生しました。原因は不明です。\r\n"
           "上記ファイルの内容を確認してみてください。";
}

std::string WordFormat(const Problem& p) {
    switch (p.kind) {
        case ProblemKind::BookNotRegular:
            return FileHead(p) + "は通常のファイルではないため、開けません。";
        case ProblemKind::BookTooLarge:
            return FileHead(p) + "は大きすぎるため、開けません（" + std::to_string(p.count) +
                   " MiB まで）。";
        case ProblemKind::BookUnreadable:
            return Unreadable(p);
        case ProblemKind::BookCharsReplaced:
            return FileHead(p) + "には、表示できない文字が" + std::to_string(p.count) +
                   "個ありました。\r\n「〓」に置き換えて表示します。最初の文字は" +
                   std::to_string(p.line) + "行目にあります。";
        case ProblemKind::FormatOutOfMemory:
            return FormatFailure(p, "メモリーアクセス");
        case ProblemKind::FormatInternal:
            return FormatFailure(p, "文字列アクセス");
        case ProblemKind::FormatForbiddenAtStart:
            return ReadErrorHead(p) + "ファイル先頭に " + p.detail + "の禁則文字は書けません" +
                   kLine1Tail;
        case ProblemKind::FormatRubyAtStart:
            return ReadErrorHead(p) + "ファイル先頭に ルビ判定文字列《は書けません" + kLine1Tail;
        case ProblemKind::FormatNoteAtStart:
            return ReadErrorHead(p) + "ファイル先頭に 脚注判定文字列［＃は書けません" + kLine1Tail;
        case ProblemKind::FormatMarkupAsText:
            return FileHead(p) +
                   "には、ルビ判定文字列《》または脚注判定文字列［＃］が行の中で閉じられていない箇"
                   "所が"
                   "ありました。\r\nその文字は本文として表示します。最初の箇所は" +
                   std::to_string(p.line) + "行目にあります。";
        case ProblemKind::FormatUnclosed:
            return ReadErrorHead(p) +
                   "ルビ判定文字列《》または脚注判定文字列［＃］が閉じられていないようです。"
                   "\r\n\r\n場所は、物理行で、" +
                   std::to_string(p.line) + "行目辺りです。確認してください。";
        default:
            return {};
    }
}

// ---- format: ZIP archives ------------------------------------------------------------

std::optional<std::string> WordArchive(const Problem& p) {
    const std::string file = FileHead(p);
    const std::string member = file + "の中の" + p.detail + "は";
    switch (p.kind) {
        case ProblemKind::ArchiveNotZip:
            return file + "は ZIP ファイルではないため、開けません。";
        case ProblemKind::ArchiveDamaged:
            return file + "は壊れた ZIP ファイルのため、開けません。";
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

std::string Word(const Problem& problem) {
    if (std::optional<std::string> text = WordRender(problem)) return *text;
    if (std::optional<std::string> text = WordArchive(problem)) return *text;
    switch (problem.kind) {
        case ProblemKind::None:
            return {};
        default:
            break;
        // app: the reader core
        case ProblemKind::BookMissing:
            return "ファイル:" + problem.path + "は存在しないようです。" +
                   "上記ファイルの存在を確認してみてください。";
        // app: the settings files
        case ProblemKind::SettingsBadColour:
            return "'" + problem.detail + "' は正しい色ではありません";
        // app: the recent books
        case ProblemKind::RecentBookMissing:
            return "ファイル:" + problem.path + "は存在しないようです。" +
                   "最近使ったファイルの一覧から外しました。";
    }
    return WordFormat(problem);
}

std::string FormatProgressText(std::size_t done, std::size_t total) {
    const std::size_t k = total == 0 ? 10 : (10 * done) / total;
    std::string text = "文書整形中:";
    for (std::size_t i = 0; i < 10; ++i) text += i < k ? "●" : "○";
    return text;
}

std::string SystemErrorText(int error) {
    switch (error) {
        case ENOENT:
            return "ファイルまたはフォルダーがありません";
        case EACCES:
            return "アクセスが許可されていません";
        case EPERM:
            return "操作が許可されていません";
        case EISDIR:
            return "フォルダーです";
        case ENOTDIR:
            return "パスの途中にフォルダーでないものがあります";
        case ELOOP:
            return "シンボリックリンクが多すぎるか、循環しています";
        case ENAMETOOLONG:
            return "ファイル名が長すぎます";
        case EIO:
            return "入出力エラーが発生しました";
        case EMFILE:
        case ENFILE:
            return "開いているファイルが多すぎます";
        case ENOMEM:
            return "メモリーが足りません";
        case ENXIO:
        case ENODEV:
            return "デバイスがありません";
        case EOVERFLOW:
            return "ファイルが大きすぎます";
        case ETXTBSY:
            return "ファイルが使用中です";
        case ESTALE:
            return "ネットワーク上のファイルが見つかりません";
        case ENOSPC:
            return "ディスクの空きが足りません";
        case EROFS:
            return "読み取り専用のファイルシステムです";
        default:
            return {};
    }
}

}  // namespace mirvo
