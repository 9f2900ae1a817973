#include "app/bookshelf.h"

#include "app/folders.h"
#include "app/profile_file.h"
#include "format/cp932.h"

namespace mirvo {

std::string BookTitle(std::string_view documentPath) {
    const std::string name = BaseName(documentPath);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return name;
    return name.substr(0, dot);
}

std::string ShelfFolderWithSlash(std::string_view folder) {
    std::string out(folder);
    if (out.empty() || out.back() != '/') out += '/';
    return out;
}

std::string ShortcutPath(std::string_view shelfWithSlash, std::string_view title) {
    std::string out(shelfWithSlash);
    out += title;
    out += kShortcutExtension;
    return out;
}

std::string QuoteExecArgument(std::string_view argument) {
    std::string out = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        else if (c == '%')
            out += '%';
        out += c;
    }
    out += '"';
    return out;
}

std::string EscapeDesktopValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c == ' ' && i == 0)
            out += "\\s";
        else
            out += c;
    }
    return out;
}

std::string DesktopEntryText(std::string_view title, std::string_view target,
                             std::string_view arguments, std::string_view workingFolder) {
    std::string text = "[Desktop Entry]\nType=Application\n";
    text += "Name=" + EscapeDesktopValue(title) + "\n";
    text += "Exec=" +
            EscapeDesktopValue(QuoteExecArgument(target) + " " + QuoteExecArgument(arguments)) +
            "\n";
    text += "Path=" + EscapeDesktopValue(workingFolder) + "\n";
    return text;
}

bool CreateBookShortcut(const std::string& linkPath, const std::string& target,
                        const std::string& arguments, const std::string& workingFolder) {
    std::string title = BaseName(linkPath);
    if (title.ends_with(kShortcutExtension)) title.resize(title.size() - kShortcutExtension.size());
    for (const std::string_view text :
         {std::string_view(title), std::string_view(target), std::string_view(arguments),
          std::string_view(workingFolder)})
        if (!IsValidUtf8(text)) return false;
    const std::string entry = DesktopEntryText(title, target, arguments, workingFolder);
    return ReplaceFile(linkPath, entry, nullptr, 0777);
}

}  // namespace mirvo
