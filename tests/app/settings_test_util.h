// A profile file that records the keys it is asked for, in order.
#pragma once

#include <string>
#include <vector>

#include "app/profile_file.h"

namespace mirvo::test {

class RecordingProfile : public ProfileFile {
  public:
    using ProfileFile::ProfileFile;
    std::optional<std::string> ReadValue(std::string_view section,
                                         std::string_view key) const override {
        reads.push_back(std::string(section) + "/" + std::string(key));
        return ProfileFile::ReadValue(section, key);
    }
    void WriteValue(std::string_view section, std::string_view key,
                    std::string_view value) override {
        writes.push_back(std::string(section) + "/" + std::string(key));
        ProfileFile::WriteValue(section, key, value);
    }
    mutable std::vector<std::string> reads;
    std::vector<std::string> writes;
};

}  // namespace mirvo::test
