// The first copy's start: create the four windows, show the main window, open the first
// document, and end at once when that opening failed in formatting.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/folders.h"

namespace mirvo::ui {

class TfrmMirvoMainForm;
class TfrmAlert;
class TfrmComment;
class TdlgOption;
class HandOffServer;
class TerminationSignals;

// The four windows of a running reader, in the order they are created.
struct ReaderWindows {
    std::unique_ptr<TfrmMirvoMainForm> main;
    std::unique_ptr<TfrmAlert> alert;
    std::unique_ptr<TfrmComment> comment;
    std::unique_ptr<TdlgOption> option;
    std::unique_ptr<HandOffServer> server;
    std::unique_ptr<TerminationSignals> termination;

    ReaderWindows();
    ~ReaderWindows();
    ReaderWindows(ReaderWindows&&) noexcept;
    // Destroys the windows in their order of creation, without running the main window's
    // closing handler (nothing is written).
    void Destroy();
};

// Creates the windows (reading the global settings), listens for later copies when
// `listen`, closes in order on a terminating signal and saves when the desktop session
// ends when `session`, shows the main window and opens the first document. Reports that
// arise before the main window is shown wait until it is (ReportPhase); Qt's own stored
// settings go to the settings folder (KeepQtSettingsIn). Returns false
// when the start-up document failed formatting and no book handed over meanwhile waits to
// be opened: the caller then destroys the windows and ends.
bool StartReader(ReaderWindows& windows, const ProgramFolders& folders,
                 const std::vector<std::string>& arguments, bool listen, bool session = false);

// Arguments as the reader uses them: the document path is made absolute as the kernel
// resolves it (KernelPath, byte for byte), so that it names the file the shell named, also
// for a copy running in another folder and at the next start.
std::vector<std::string> AbsoluteArguments(const std::vector<std::string>& arguments);

}  // namespace mirvo::ui
