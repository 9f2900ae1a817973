// Helpers shared by the test programs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mirvo::test {

// UTF-8 text (as written in the test source) in CP932 bytes.
std::string Sjis(std::string_view utf8);

// `s` written `times` times over.
std::string Repeat(std::string_view s, int times);

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

  private:
    std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);

// The Shift_JIS sample novels, full paths, sorted by name.
std::vector<std::string> CorpusFiles();

}  // namespace mirvo::test
