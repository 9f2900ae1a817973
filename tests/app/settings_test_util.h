// A profile file that records the keys it is asked for, in order, and how often it is
// asked to replace the file.
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
    void WriteValues(std::span<const ProfileChange> changes) override {
        for (const ProfileChange& c : changes) writes.push_back(c.section + "/" + c.key);
        ++replaces;
        ProfileFile::WriteValues(changes);
    }
    mutable std::vector<std::string> reads;
    std::vector<std::string> writes;  // every key of every replacement, in order
    int replaces = 0;                 // replacements of the file asked for
};

}  // namespace mirvo::test
