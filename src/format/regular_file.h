// Reading a whole file that must be an ordinary file of bounded size: books, pictures,
// settings files. A FIFO, a device or a folder in its place is refused without blocking,
// and nothing larger than the caller's limit is read into memory.
#pragma once

#include <cstdint>
#include <string>

#include "format/problem.h"

namespace mirvo {

enum class FileReadStatus {
    Ok,
    OpenFailed,  // no such file, no permission, ... (`error` holds errno)
    NotRegular,  // a folder, FIFO, socket or device
    TooLarge,    // more bytes than the limit (also a file that grows past it while read)
    ReadFailed,  // the system refused a read (`error` holds errno)
};

struct FileReadResult {
    FileReadStatus status = FileReadStatus::Ok;
    int error = 0;      // errno for OpenFailed and ReadFailed
    std::string bytes;  // the whole file when status is Ok
};

// Reads the file at `path` (the file system's bytes) whole when it is a regular file of at
// most `maxBytes` bytes. Never waits on a FIFO or device. A name with a zero byte in it
// fails to open (it would name another file).
FileReadResult ReadRegularFile(const std::string& path, std::uint64_t maxBytes);

// Why a book at `path` cannot be read, as a Problem (BookNotRegular, BookTooLarge with the
// limit in MiB, BookUnreadable with the errno); kind None when `result` is Ok.
Problem FileReadProblem(const std::string& path, const FileReadResult& result,
                        std::uint64_t maxBytes);

}  // namespace mirvo
