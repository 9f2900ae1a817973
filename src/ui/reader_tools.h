// The reader tools of the main window built outside its action table: the go-to-page
// dialog and the recent-books menu, whose items follow the core's list.
#pragma once

#include <functional>
#include <string>

class QMenu;
class QWidget;

namespace mirvo {
class Reader;
}

namespace mirvo::ui {

// Go to page (Ctrl+G): asks for a page number between 1 and the book's page count,
// starting at the page on show, and shows that spread. Cancel changes nothing.
void AskGoToPage(QWidget* owner, Reader& core);

// Puts `recent` into `fileMenu` before its first separator. Each time the file menu opens,
// `recent` is filled from core.Menus().Recent, newest first, each item its number, title and
// path (disabled when the list is empty); choosing one runs `open` with its path.
void AttachRecentMenu(QMenu* fileMenu, QMenu* recent, const Reader& core,
                      std::function<void(const std::string&)> open);

}  // namespace mirvo::ui
