#include "app/handoff_message.h"

namespace mirvo {

std::string EncodeHandOff(const std::optional<std::string>& path) {
    std::string body;
    if (path && path->size() <= kMaxHandOffBytes && path->find('\0') == std::string::npos)
        body = *path;
    const auto n = static_cast<std::uint32_t>(body.size());
    std::string frame{static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                      static_cast<char>(n >> 8), static_cast<char>(n)};
    return frame + body;
}

HandOffReader::State HandOffReader::Feed(std::string_view bytes) {
    if (state_ != State::NeedMore) return state_;
    // Never more than one whole request is kept.
    const std::size_t room = 4 + kMaxHandOffBytes - buffer_.size();
    buffer_.append(bytes.substr(0, room));
    if (buffer_.size() < 4) return state_;
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length = length << 8 | static_cast<unsigned char>(buffer_[i]);
    if (length > kMaxHandOffBytes) return state_ = State::Invalid;
    if (buffer_.size() < 4 + static_cast<std::size_t>(length)) return state_;
    path_ = buffer_.substr(4, length);
    buffer_.clear();
    if (path_.find('\0') != std::string::npos) return state_ = State::Invalid;
    return state_ = State::Done;
}

}  // namespace mirvo
