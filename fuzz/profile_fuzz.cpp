// Settings files of any bytes: reading never fails, and writing one value changes that
// value only: it reads back as written and every other key reads as before.
#include <fstream>
#include <string>

#include "app/profile_file.h"
#include "fuzz_support.h"

namespace {

const char* const kSections[] = {"Mirvo", "Config"};
const char* const kKeys[] = {"Last", "RowCount", "Clip1"};

std::string FilePath() {
    return mirvo::fuzz::RunFolder() + "/Mirvo.INI";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mirvo;
    fuzz::Input in(data, size);
    const int section = in.Byte() % 2, key = in.Byte() % 3;
    // The value to write comes first (its length in one byte), then the file.
    const std::size_t valueSize = in.Byte();
    const std::string_view rest = in.Rest();
    const std::string value(rest.substr(0, valueSize));
    const std::string_view file = rest.substr(std::min(valueSize, rest.size()));
    std::ofstream(FilePath(), std::ios::binary | std::ios::trunc)
        .write(file.data(), static_cast<std::streamsize>(file.size()));

    ProfileFile f(FilePath());
    std::optional<std::string> before[2][3];
    for (int s = 0; s < 2; ++s)
        for (int k = 0; k < 3; ++k) before[s][k] = f.ReadValue(kSections[s], kKeys[k]);
    (void)f.ReadInteger("Config", "RowCount", 10);
    (void)f.ReadSection("Mirvo");
    (void)f.SectionExists("Config");

    f.WriteString(kSections[section], kKeys[key], value);
    // Every byte reads back, line breaks included.
    if (f.ReadString(kSections[section], kKeys[key], "<none>") != value)
        fuzz::Fault("a written string reads back otherwise");
    for (int s = 0; s < 2; ++s) {
        for (int k = 0; k < 3; ++k) {
            if (s == section && k == key) continue;
            if (f.ReadValue(kSections[s], kKeys[k]) != before[s][k])
                fuzz::Fault("a write changed another key");
        }
    }
    return 0;
}
