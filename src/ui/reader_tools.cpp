#include "ui/reader_tools.h"

#include <QAction>
#include <QFile>
#include <QInputDialog>
#include <QMenu>
#include <algorithm>

#include "app/reader.h"
#include "app/recent_books.h"

namespace mirvo::ui {
namespace {

QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

void FillRecentMenu(QMenu* recent, const Reader& core,
                    const std::function<void(const std::string&)>& open) {
    recent->clear();
    int n = 0;
    for (const std::string& path : core.Menus().Recent) {
        ++n;
        const QString text = QStringLiteral("&%1 %2  %3")
                                 .arg(n % 10)
                                 .arg(PathText(RecentBookTitle(path)), PathText(path));
        QAction* item = recent->addAction(text);
        item->setObjectName(QStringLiteral("mniRecent%1").arg(n));
        QObject::connect(item, &QAction::triggered, recent, [open, path] { open(path); });
    }
    recent->menuAction()->setEnabled(n > 0);
}

}  // namespace

void AskGoToPage(QWidget* owner, Reader& core) {
    if (!CanGoToPage(core)) return;
    const int count = core.Book().PageCount();
    const int start = std::clamp(core.CurrentPage(), 1, count);
    bool ok = false;
    const int page = QInputDialog::getInt(owner, QStringLiteral("ページ指定"),
                                          QStringLiteral("ページ番号（1～%1）:").arg(count), start,
                                          1, count, 1, &ok);
    if (ok) GoToPage(core, page);
}

void AttachRecentMenu(QMenu* fileMenu, QMenu* recent, const Reader& core,
                      std::function<void(const std::string&)> open) {
    QAction* before = nullptr;
    for (QAction* a : fileMenu->actions())
        if (a->isSeparator()) {
            before = a;
            break;
        }
    fileMenu->insertMenu(before, recent);
    FillRecentMenu(recent, core, open);
    QObject::connect(fileMenu, &QMenu::aboutToShow, recent,
                     [recent, &core, open] { FillRecentMenu(recent, core, open); });
}

}  // namespace mirvo::ui
