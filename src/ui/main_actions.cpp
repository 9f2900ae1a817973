#include "ui/main_actions.h"

namespace mirvo::ui {
namespace {

using enum Command;

constexpr MenuRow kMenus[] = {
    {"mniFile", "ﾌｧｲﾙ(&F)", nullptr},
    // Reader tools: the recent books, filled from the core's list (ui/reader_tools.h).
    {"mniRecent", "最近使ったファイル(&R)", "mniFile"},
    {"mniView", "表示(&V)", nullptr},
    {"mniMove", "移動(&M)", nullptr},
    {"msiClip", "しおり(&C)", "mniMove"},
    {"mniOther", "その他(&O)", nullptr},
    {"mniWindow", "ｳｨﾝﾄﾞｳ(&W)", nullptr},
    {"ppmPage", "", ""},
    {"ppmCont", "", ""},
};

constexpr ActionRow kActions[] = {
    {"mmiOpen", "ﾃｷｽﾄﾌｧｲﾙを開く(&O)", "mniFile", OpenText},
    {"msiBKOpen", "本(棚)を開く(&B)", "mniFile", OpenBook},
    {nullptr, nullptr, "mniFile"},
    {"msBKNew", "本の新規作成(&N)", "mniFile", NewBook},
    {nullptr, nullptr, "mniFile"},
    {"mmiExit", "Mirvoの終了(&X)", "mniFile", Exit},
    {"msiView", "ビュー(&V)", "mniView", View, true, Rule::ViewChecked},
    {"msiCont", "目次(&T)", "mniView", Contents, true, Rule::ContentsChecked},
    {nullptr, nullptr, "mniView"},
    {"mmiReView", "再表示(&R)", "mniView", ReView, false, Rule::None, Rule::ReView, "F5"},
    {"msiPageNext", "次ページ(&N)  SPACE", "mniMove", PageNext, false, Rule::None, Rule::Paging},
    {"msiPagePrev", "前ページ(&P)  BS", "mniMove", PagePrev, false, Rule::None, Rule::Paging},
    {"msiFind", "検索(&F)", "mniMove", Find, false, Rule::None, Rule::ReView, "Ctrl+F"},
    {"msiFindNext", "次を検索", "mniMove", FindNext, false, Rule::None, Rule::ReView, "F3"},
    {"msiFindPrev", "前を検索", "mniMove", FindPrev, false, Rule::None, Rule::ReView, "Shift+F3"},
    {nullptr, nullptr, "mniMove"},
    // Reader tools: go to page.
    {"msiGoToPage", "ページ指定(&G)", "mniMove", GoToPage, false, Rule::None, Rule::GoToPage,
     "Ctrl+G"},
    {"msiClipIns", "はさむ(&I)", "msiClip", ClipIns, false, Rule::None, Rule::ClipIns},
    {"msiClipDel", "削除(&D)", "msiClip", ClipDel, false, Rule::None, Rule::ClipDel},
    {"msiConfig", "環境設定(&C)", "mniOther", Config},
    {"msiAllDisp", "全画面表示(&A)", "mniWindow", AllDisp, true, Rule::AllDisp},
    {nullptr, nullptr, "mniWindow"},
    {"msiHideTLBar", "ﾂｰﾙﾊﾞｰを隠す(&T)", "mniWindow", HideTLBar, true, Rule::HideTLBar},
    {"msiHideStBar", "ｽﾃｰﾀｽﾊﾞｰを隠す(&S)", "mniWindow", HideStBar, true, Rule::HideStBar},
    {"pmiClip", "しおりをはさむ", "ppmPage", ClipIns},
    {"pmiCopy", "コピー(&C)", "ppmPage", Copy, false, Rule::None, Rule::None, "Ctrl+C"},
    {"pmiDelClip", "しおりを削除", "ppmCont", ClipDel},
};

constexpr ToolBarRow kToolBars[] = {{"tlbBookStand"}, {"tlbBasic"}};

constexpr ToolButtonRow kButtons[] = {
    {"spbFileOpen", "ﾃｷｽﾄﾌｧｲﾙを開く", "ﾃｷｽﾄﾌｧｲﾙを開きます。", "tlbBookStand", OpenText},
    {nullptr, nullptr, nullptr, "tlbBookStand", None, ButtonKind::Separator},
    {"spbBookStand", "", "本棚関連のﾎﾞﾀﾝを表示します。", "tlbBookStand", BookStand,
     ButtonKind::Toggle},
    {"spbBKOpen", "本(棚)を開く", "", "tlbBookStand", OpenBook, ButtonKind::Push, true},
    {"spbBKNew", "本の作成", "", "tlbBookStand", NewBook, ButtonKind::Push, true},
    {"spbView", "ビュー", "", "tlbBasic", View, ButtonKind::Exclusive},
    {"spbContents", "目次", "", "tlbBasic", Contents, ButtonKind::Exclusive},
    {"spbConfig", "設定", "各種設定を行います。", "tlbBasic", Config},
};

}  // namespace

std::span<const MenuRow> MenuTable() {
    return kMenus;
}

std::span<const ActionRow> ActionTable() {
    return kActions;
}

std::span<const ToolBarRow> ToolBarTable() {
    return kToolBars;
}

std::span<const ToolButtonRow> ToolButtonTable() {
    return kButtons;
}

}  // namespace mirvo::ui
