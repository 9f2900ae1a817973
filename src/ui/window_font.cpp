#include "ui/window_font.h"

#include <QStringList>

#include "render/vertical_font.h"

namespace mirvo::ui {

QFont WindowFont(const QString& face, int pixelSize) {
    QFont font(face);
    const ResolvedFace japanese = ResolveJapaneseFace(face.toStdString(), false);
    if (!japanese.family.empty())
        font.setFamilies(QStringList{face, QString::fromStdString(japanese.family)});
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace mirvo::ui
