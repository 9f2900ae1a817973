#include "format/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <stdexcept>

namespace mirvo {
namespace {

// One iconv descriptor per direction, opened on first use. iconv_t keeps shift state,
// so each call resets it; calls are serialised because the descriptors are shared.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; an input sequence that cannot be converted is replaced by
    // `replacement` and skipped by `skip(in)` bytes.
    template <class Skip>
    std::string Convert(std::string_view in, std::string_view replacement, Skip skip) {
        std::lock_guard<std::mutex> lock(mutex_);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.reserve(in.size() * 3 / 2 + 8);
        char buffer[4096];
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG) continue;
                // EILSEQ or EINVAL (incomplete at the end): replace and step over.
                const size_t n = skip(std::string_view(src, srcLeft));
                out.append(replacement);
                src += n;
                srcLeft -= n;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

  private:
    iconv_t cd_;
    std::mutex mutex_;
};

size_t Utf8SequenceLength(std::string_view s) {
    const unsigned char b = static_cast<unsigned char>(s[0]);
    size_t n = 1;
    if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
    } else if (b >= 0xE0) {
        n = 3;
    } else if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    }
    if (n > s.size()) n = s.size();
    for (size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return i;
    }
    return n;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    static Converter converter("UTF-8", "CP932");
    return converter.Convert(cp932, "\xEF\xBF\xBD",
                             [](std::string_view rest) { return CharLengthAt(rest, 0); });
}

std::string Utf8ToCp932(std::string_view utf8) {
    static Converter converter("CP932", "UTF-8");
    return converter.Convert(utf8, "?", Utf8SequenceLength);
}

std::size_t Utf8LengthAt(std::string_view bytes, std::size_t i) {
    if (i >= bytes.size()) return 0;
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) return 1;
    std::size_t n;
    unsigned int cp;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        cp = b & 0x07;
    } else {
        return 0;
    }
    if (i + n > bytes.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(bytes[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return n;
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t n = Utf8LengthAt(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string ReadableUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t n = Utf8LengthAt(bytes, i);
        if (n > 0) {
            out.append(bytes.substr(i, n));
            i += n;
            continue;
        }
        // A run of bytes that are no UTF-8: most likely a name from a Windows archive.
        std::size_t end = i;
        while (end < bytes.size() && Utf8LengthAt(bytes, end) == 0) end += CharLengthAt(bytes, end);
        out += Cp932ToUtf8(bytes.substr(i, end - i));
        i = end;
    }
    return out;
}

}  // namespace mirvo
