// The message a later copy sends to the running one: a 4-byte big-endian length, then the
// document path as the file system's bytes (length 0: no path, only come to the front).
// The running copy answers with one byte once the book is open (or its failure reported).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mirvo {

// Longest path that travels; a longer one travels as no path.
inline constexpr std::size_t kMaxHandOffBytes = 4096;
// The running copy's answer.
inline constexpr char kHandOffDone = 1;

// Frames a request. No path, an empty path, a longer path than kMaxHandOffBytes and a path
// with a zero byte (no file has one) all travel as no path.
std::string EncodeHandOff(const std::optional<std::string>& path);

// Reads one request from bytes as they arrive, in pieces of any size.
class HandOffReader {
  public:
    enum class State {
        NeedMore,  // the request is not complete yet
        Done,      // Path() holds the path ("" for none); later bytes are ignored
        Invalid,   // not one of our requests: the connection is dropped
    };
    State Feed(std::string_view bytes);
    State Current() const { return state_; }
    const std::string& Path() const { return path_; }

  private:
    State state_ = State::NeedMore;
    std::string buffer_;
    std::string path_;
};

}  // namespace mirvo
