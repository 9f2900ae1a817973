// A ReaderHost that records what the window would have been asked to do, for the reader
// core tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/folders.h"
#include "app/reader.h"
#include "support/test_support.h"

namespace mirvo::test {

class FakeReaderHost : public ReaderHost {
  public:
    // The error window goes to `errors`, the general error report to `exceptions` (and to
    // `onException`, when set).
    void Report(ReportKind kind, const std::string& message) override {
        if (kind == ReportKind::ErrorWindow) {
            errors.push_back(message);
            return;
        }
        exceptions.push_back(message);
        if (onException) onException(message);
    }
    void PlayTurnSound() override { events.push_back("sound"); }
    void Repaint(bool, bool) override {
        events.push_back("repaint");
        ++repaints;
    }
    void WaitMilliseconds(int ms) override { events.push_back("wait " + std::to_string(ms)); }
    void SetStatusText(const std::string& text) override {
        status = text;
        statuses.push_back(text);
    }
    void SetPageIndicator(const std::string& text) override { indicator = text; }
    void SetScrollBar(int min, int max, int position) override {
        scrollMin = min;
        scrollMax = max;
        scrollPosition = position;
    }
    void BookLayoutChanged() override { ++layouts; }
    void BaseChanged() override { ++bases; }
    void ContentsChanged() override { ++contentsChanges; }
    void ViewStateChanged() override { ++viewChanges; }
    // The settings dialog: runs `dialog` (if any) on the settings and textures, as OK
    // would.
    bool ShowOptionDialog(Settings& settings, Bitmap& baseTexture, Bitmap& pageTexture) override {
        events.push_back("dialog");
        return dialog && dialog(settings, baseTexture, pageTexture);
    }
    std::function<bool(Settings&, Bitmap&, Bitmap&)> dialog;
    std::function<void(const std::string&)> onException;

    std::vector<std::string> errors, exceptions, events, statuses;
    std::string status, indicator;
    int scrollMin = 0, scrollMax = 0, scrollPosition = 0;
    int repaints = 0, layouts = 0, bases = 0, contentsChanges = 0, viewChanges = 0;
};

// A program folder in a temporary folder: settings there, shipped files there too.
inline ProgramFolders TestFolders(const TempDir& dir) {
    ProgramFolders f;
    f.ExecutableFolder = dir.Path();
    f.SettingsFolder = dir.Path();
    f.ShippedFolders = {dir.Path()};
    return f;
}

// A book of `lines` short lines: lines + 1 rows after formatting (10 rows a page at the
// defaults), the first line its title, the second its author.
inline std::string MakeBook(const TempDir& dir, const std::string& name, int lines) {
    std::string text = Sjis("吾輩は猫である\r\n夏目漱石\r\n");
    for (int i = 2; i < lines; ++i) text += Sjis("本文の行です。") + "\r\n";
    const std::string path = dir.File(name);
    WriteFileBytes(path, text);
    return path;
}

// The state file of the book at `bookPath` with `body` (INI text).
inline void WriteBookState(const TempDir& dir, const std::string& bookPath,
                           const std::string& body) {
    MakeFolders(dir.File("MirvoKs"));
    std::string base = BaseName(bookPath);
    base = base.substr(0, base.rfind('.'));
    WriteFileBytes(dir.File("MirvoKs/" + base + ".INI"), body);
}

}  // namespace mirvo::test

namespace mirvo::test {
inline bool FileExistsForTest(const std::string& path) {
    return FileExists(path);
}
}  // namespace mirvo::test
