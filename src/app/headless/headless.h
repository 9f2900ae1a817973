// Commands of the `mirvo` executable that need no display: they use the very code the
// reader window uses, for scripts, tests and readers without a screen.
#pragma once

#include <string>
#include <vector>

namespace mirvo {

// If `args` (without the program name) ask for a headless command, runs it, stores its
// exit status in `exitCode` and returns true. Returns false for the reader's own
// command line (no option or a document path).
bool RunHeadless(const std::vector<std::string>& args, int& exitCode);

// The commands.
int DumpRowsCommand(const std::vector<std::string>& args);      // --dump-rows FILE [...]
int RenderCommand(const std::vector<std::string>& args);        // --render FILE --page N --out PNG
int DumpContentsCommand(const std::vector<std::string>& args);  // --dump-contents FILE [...]
int DumpNotesCommand(const std::vector<std::string>& args);     // --dump-notes FILE [...]
int ExportCommand(const std::vector<std::string>& args);  // --export FILE --out OUT.cbz|OUT.pdf

}  // namespace mirvo
