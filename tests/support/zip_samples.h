// ZIP archives made with libzip for the tests, and the byte edits that damage them.
#pragma once

#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace mirvo::test {

struct ZipEntry {
    std::string name;  // as stored: UTF-8, or raw bytes when `raw`
    std::string bytes;
    bool stored = false;  // kept unpacked rather than deflated
    bool raw = false;     // the name's bytes are not marked as UTF-8 (CP932 names)
};

// The bytes of an archive holding `entries` in this order.
inline std::string ZipBytes(const std::vector<ZipEntry>& entries) {
    // libzip writes no file for no members: the end record alone.
    if (entries.empty()) return std::string("PK\5\6") + std::string(18, '\0');
    TempDir dir;
    const std::string path = dir.File("a.zip");
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (z == nullptr) throw std::runtime_error("zip_open");
    for (const ZipEntry& e : entries) {
        zip_source_t* s = zip_source_buffer(z, e.bytes.data(), e.bytes.size(), 0);
        const zip_int64_t i =
            zip_file_add(z, e.name.c_str(), s, e.raw ? ZIP_FL_ENC_CP437 : ZIP_FL_ENC_UTF_8);
        if (i < 0) throw std::runtime_error("zip_file_add");
        zip_set_file_compression(z, static_cast<zip_uint64_t>(i),
                                 e.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    if (zip_close(z) != 0) throw std::runtime_error("zip_close");
    return ReadFileBytes(path);
}

inline void PutLe(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// Offsets of every local header ("PK\3\4") and central directory entry ("PK\1\2").
inline std::vector<std::size_t> Signatures(const std::string& bytes, const char* signature) {
    std::vector<std::size_t> at;
    for (std::size_t i = bytes.find(signature); i != std::string::npos;
         i = bytes.find(signature, i + 1)) {
        at.push_back(i);
    }
    return at;
}

// States another unpacked size for the archive's `index`th member, in its local header and
// in the central directory alike.
inline std::string WithStatedSize(std::string bytes, std::size_t index, std::uint32_t size) {
    PutLe(bytes, Signatures(bytes, "PK\3\4").at(index) + 22, size, 4);
    PutLe(bytes, Signatures(bytes, "PK\1\2").at(index) + 24, size, 4);
    return bytes;
}

// Marks the `index`th member as encrypted (general purpose bit 0) in both headers.
inline std::string WithEncryptedFlag(std::string bytes, std::size_t index) {
    bytes[Signatures(bytes, "PK\3\4").at(index) + 6] |= 1;
    bytes[Signatures(bytes, "PK\1\2").at(index) + 8] |= 1;
    return bytes;
}

}  // namespace mirvo::test
