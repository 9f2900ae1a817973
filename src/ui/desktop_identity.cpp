#include "ui/desktop_identity.h"

#include <QApplication>
#include <QIcon>

// MIRVO_APP_ID and MIRVO_VERSION come from the build (CMakeLists.txt).

namespace mirvo::ui {

QString DesktopId() {
    return QStringLiteral(MIRVO_APP_ID);
}

void SetDesktopIdentity() {
    QGuiApplication::setDesktopFileName(DesktopId());
    QCoreApplication::setApplicationVersion(QStringLiteral(MIRVO_VERSION));
    const QIcon icon = QIcon::fromTheme(DesktopId());
    if (!icon.isNull()) QApplication::setWindowIcon(icon);
}

}  // namespace mirvo::ui
