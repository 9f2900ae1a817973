// The main window's commands as one table: every item of the menus, the pop-up menus and
// the toolbars, with its caption, object name, shortcut, where it appears, what it does and
// what checks or enables it. The window builds all of them from these rows, in their order.
#pragma once

#include <span>

namespace mirvo::ui {

// What an item does; the window runs it as a step of the core.
enum class Command {
    None,  // a separator
    OpenText,
    OpenBook,
    NewBook,
    Exit,
    View,
    Contents,
    ReView,
    PageNext,
    PagePrev,
    ClipIns,
    ClipDel,
    Config,
    AllDisp,
    HideTLBar,
    HideStBar,
    BookStand,  // the bookshelf toggle: its two buttons follow it
    Find,       // opens the find bar
    FindNext,
    FindPrev,
    // Reader tools: go to page, recent books.
    GoToPage,
    Copy,  // the text selected on the pages to the clipboard
};

// The state of the window that checks or enables an item; None: always enabled, never
// checked by the window.
enum class Rule {
    None,
    ViewChecked,
    ContentsChecked,
    Paging,
    ClipIns,
    ClipDel,
    ReView,
    AllDisp,
    HideTLBar,
    HideStBar,
    // Reader tools.
    GoToPage,
};

// A menu: on the menu bar (parent nullptr), inside another menu, or a pop-up ("").
struct MenuRow {
    const char* name;
    const char* caption;
    const char* parent;
};

// An item of a menu; a row without a name is a separator.
struct ActionRow {
    const char* name;
    const char* caption;
    const char* menu;  // the menu it appears in
    Command command = Command::None;
    bool checkable = false;
    Rule checked = Rule::None;
    Rule enabled = Rule::None;
    const char* shortcut = nullptr;  // also when the menu bar is hidden
};

// A toolbar, then its buttons.
struct ToolBarRow {
    const char* name;
};

enum class ButtonKind {
    Push,       // runs its command
    Exclusive,  // one of a checked group; runs its command when clicked
    Toggle,     // checkable; runs its command with the new state
    Separator,
};

struct ToolButtonRow {
    const char* name;
    const char* caption;
    const char* tip;
    const char* toolBar;
    Command command = Command::None;
    ButtonKind kind = ButtonKind::Push;
    bool hiddenAtShow = false;  // hidden each time the window is shown
};

std::span<const MenuRow> MenuTable();
std::span<const ActionRow> ActionTable();
std::span<const ToolBarRow> ToolBarTable();
std::span<const ToolButtonRow> ToolButtonTable();

}  // namespace mirvo::ui
