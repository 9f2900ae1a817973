// The reader's windows started for a window test, everything kept in a temporary folder.
#pragma once

#include <QLabel>
#include <QTest>
#include <string>
#include <vector>

#include "app/reader_fake_host.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/startup.h"
#include "ui_test_support.h"

namespace mirvo::test {

// Program folders that keep the settings, the state files and the shipped files in `dir`.
inline ProgramFolders Folders(const TempDir& dir) {
    return TestFolders(dir);
}

// A started reader on a book (or none), turning pages without pauses.
struct RunningReader {
    TempDir dir;
    ui::ReaderWindows windows;
    ui::TfrmMirvoMainForm* w = nullptr;

    bool Start(const std::vector<std::string>& args) {
        const bool ok = ui::StartReader(windows, Folders(dir), args, false);
        w = windows.main.get();
        w->Core().ChangeSettings([&](Settings& s) { s.ChangeSpeed = 200; });
        return ok;
    }
    QString Panel0() const { return Part<QLabel>(w, "stbPanel0")->text(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(w, key, mods);
    }
};

}  // namespace mirvo::test
