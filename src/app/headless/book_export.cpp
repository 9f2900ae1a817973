#include "app/headless/book_export.h"

#include <zip.h>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <stdexcept>

#include "app/messages.h"
#include "format/document.h"

namespace mirvo {
namespace {

bool EndsWithNoCase(std::string_view s, std::string_view end) {
    return s.size() >= end.size() &&
           std::equal(end.begin(), end.end(), s.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b + 32 : b); });
}

std::string XmlText(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// libzip keeps the archive in memory (a buffer source) until it is closed; the page PNGs
// stay with the object until then, stored as they are (a PNG does not deflate further).
class CbzBook : public PageBook {
  public:
    CbzBook(const std::string& title, int pageCount) : title_(title) {
        digits_ = std::max<int>(4, static_cast<int>(std::to_string(pageCount).size()));
        zip_error_init(&error_);
        source_ = zip_source_buffer_create(nullptr, 0, 0, &error_);
        archive_ = source_ ? zip_open_from_source(source_, ZIP_TRUNCATE, &error_) : nullptr;
        if (!archive_) {
            if (source_) zip_source_free(source_);
            throw std::runtime_error(std::string("cannot make a ZIP archive: ") +
                                     zip_error_strerror(&error_));
        }
        zip_source_keep(source_);  // it outlives the archive: the bytes are read from it
    }
    ~CbzBook() override {
        if (archive_) zip_discard(archive_);
        zip_source_free(source_);
        zip_error_fini(&error_);
    }

    EncodedPage Encode(const GreyImage& page) const override {
        return EncodedPage{page.width, page.height, EncodeGreyPng(page)};
    }

    void Add(EncodedPage page) override {
        char name[32];
        std::snprintf(name, sizeof name, "%0*d.png", digits_, ++pages_);
        AddEntry(name, std::move(page.bytes), ZIP_CM_STORE);
    }

    std::string Finish() override {
        AddEntry("ComicInfo.xml",
                 "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                 "<ComicInfo xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
                 "           xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">\n"
                 "  <Title>" +
                     XmlText(title_) +
                     "</Title>\n"
                     "  <PageCount>" +
                     std::to_string(pages_) +
                     "</PageCount>\n"
                     "  <LanguageISO>ja</LanguageISO>\n"
                     "  <Manga>YesAndRightToLeft</Manga>\n"
                     "</ComicInfo>\n",
                 ZIP_CM_DEFLATE);
        const int closed = zip_close(archive_);
        if (closed != 0) Fail("cannot make the ZIP archive", zip_get_error(archive_));
        archive_ = nullptr;
        entries_.clear();  // in the archive now
        return ReadSource();
    }

  private:
    void AddEntry(const char* name, std::string bytes, zip_int32_t method) {
        const std::string& kept = entries_.emplace_back(std::move(bytes));
        zip_source_t* s = zip_source_buffer(archive_, kept.data(), kept.size(), 0);
        const zip_int64_t index =
            s ? zip_file_add(archive_, name, s, ZIP_FL_ENC_UTF_8) : zip_int64_t{-1};
        if (index < 0) {
            if (s) zip_source_free(s);
            Fail("cannot add to the ZIP archive", zip_get_error(archive_));
        }
        zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), method, 0);
    }

    std::string ReadSource() {
        std::string bytes;
        if (zip_source_open(source_) < 0) Fail("cannot read the ZIP archive", nullptr);
        char chunk[1 << 16];
        for (zip_int64_t n; (n = zip_source_read(source_, chunk, sizeof chunk)) > 0;)
            bytes.append(chunk, static_cast<std::size_t>(n));
        zip_source_close(source_);
        return bytes;
    }

    [[noreturn]] void Fail(const std::string& what, zip_error_t* error) {
        throw std::runtime_error(what + ": " +
                                 zip_error_strerror(error ? error : zip_source_error(source_)));
    }

    std::string title_;
    int digits_ = 4, pages_ = 0;
    zip_error_t error_;
    zip_source_t* source_ = nullptr;
    zip_t* archive_ = nullptr;
    std::deque<std::string> entries_;  // stable addresses for the buffer sources
};

// The pages are deflated as they come, so the book holds compressed pictures only.
class PdfBook : public PageBook {
  public:
    explicit PdfBook(const std::string& title) {
        // Pages are mostly paper: the fastest deflate makes them little larger.
        Pl_Flate::setCompressionLevel(1);
        pdf_.emptyPDF();
        pdf_.getRoot().replaceKey("/ViewerPreferences",
                                  QPDFObjectHandle::parse("<< /Direction /R2L >>"));
        QPDFObjectHandle info = pdf_.makeIndirectObject(QPDFObjectHandle::newDictionary());
        info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title));
        info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString("Mirvo"));
        pdf_.getTrailer().replaceKey("/Info", info);
    }

    EncodedPage Encode(const GreyImage& page) const override {
        EncodedPage encoded{page.width, page.height, {}};
        Pl_String into("page", nullptr, encoded.bytes);
        Pl_Flate flate("deflate", &into, Pl_Flate::a_deflate);
        flate.write(page.pixels.data(), page.pixels.size());
        flate.finish();
        return encoded;
    }

    void Add(EncodedPage page) override {
        QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf_);
        image.replaceDict(QPDFObjectHandle::parse(
            "<< /Type /XObject /Subtype /Image /ColorSpace /DeviceGray /BitsPerComponent 8"
            " /Width " +
            std::to_string(page.width) + " /Height " + std::to_string(page.height) + " >>"));
        image.replaceStreamData(page.bytes, QPDFObjectHandle::newName("/FlateDecode"),
                                QPDFObjectHandle::newNull());
        const std::string w = Points(page.width), h = Points(page.height);
        QPDFObjectHandle pageObject =
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 " + w + " " + h +
                                    "] /Resources << /XObject << >> >> >>");
        pageObject.getKey("/Resources").getKey("/XObject").replaceKey("/Page", image);
        pageObject.replaceKey(
            "/Contents",
            QPDFObjectHandle::newStream(&pdf_, "q " + w + " 0 0 " + h + " 0 0 cm /Page Do Q\n"));
        QPDFPageDocumentHelper(pdf_).addPage(
            QPDFPageObjectHelper(pdf_.makeIndirectObject(pageObject)), false);
    }

    std::string Finish() override {
        std::string bytes;
        Pl_String out("pdf", nullptr, bytes);
        QPDFWriter writer(pdf_);
        writer.setOutputPipeline(&out);
        writer.setDecodeLevel(qpdf_dl_none);  // the pictures are deflated already
        writer.setDeterministicID(true);
        writer.write();
        return bytes;
    }

  private:
    // Pixels at 150 dpi in points.
    static std::string Points(int pixels) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", pixels * 72.0 / 150.0);
        return text;
    }

    QPDF pdf_;
};

}  // namespace

std::optional<ExportFormat> ExportFormatOf(std::string_view path) {
    if (EndsWithNoCase(path, ".cbz")) return ExportFormat::Cbz;
    if (EndsWithNoCase(path, ".pdf")) return ExportFormat::Pdf;
    return std::nullopt;
}

std::unique_ptr<PageBook> MakePageBook(ExportFormat format, const std::string& title,
                                       int pageCount) {
    if (format == ExportFormat::Cbz) return std::make_unique<CbzBook>(title, pageCount);
    return std::make_unique<PdfBook>(title);
}

bool DrawEveryPage(const SpreadRequest& request, int width, int height,
                   const std::function<void(int page, const GreyImage&)>& take,
                   ErrorReporter& reporter, SpreadShare share) {
    // Both pages of a spread at the page size; the buffers double with Alias, as the
    // reader's do, and are reduced when finished.
    const int f = request.style.Alias ? 2 : 1;
    SpreadLayout l;
    l.leftImage = Rect{0, 0, width, height};
    l.rightImage = Rect{width, 0, 2 * width, height};
    l.bookArea = Rect{0, 0, 2 * width, height};
    l.leftBufWidth = l.rightBufWidth = f * width;
    l.leftBufHeight = l.rightBufHeight = f * height;
    const Rect page{0, 0, width, height};
    const int count = PageCount(request.rows, request.style.Page.Layout);
    SpreadView view;
    WordingReporter words(reporter);
    Bitmap left, right;
    for (int p = 1 + 2 * share.index; p <= count; p += 2 * share.of) {
        PageTexts lists;
        const PageOutcome drawn = view.RenderPages(request, l, p, left, right, lists, words);
        if (drawn.picture.kind != ProblemKind::None) reporter.ReportError(Word(drawn.picture));
        if (!drawn) return false;
        take(p, ToGrey(right, page));
        if (p + 1 <= count) take(p + 1, ToGrey(left, page));
    }
    return true;
}

}  // namespace mirvo
