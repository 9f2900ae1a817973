// The running copy's reader of hand-off requests, fed any bytes in pieces of any size.
#include "app/handoff_message.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mirvo;
    fuzz::Input in(data, size);
    const std::size_t piece = 1 + in.Byte() % 64;
    const std::string_view bytes = in.Rest();
    HandOffReader reader;
    HandOffReader::State state = reader.Current();
    for (std::size_t at = 0; at < bytes.size() && state == HandOffReader::State::NeedMore;
         at += piece)
        state = reader.Feed(bytes.substr(at, piece));
    if (state == HandOffReader::State::Done) {
        const std::string& path = reader.Path();
        if (path.size() > kMaxHandOffBytes) fuzz::Fault("path over the limit");
        // What was read is exactly the request that frames it.
        if (bytes.substr(0, 4 + path.size()) != EncodeHandOff(path))
            fuzz::Fault("path differs from the request");
    }
    return 0;
}
