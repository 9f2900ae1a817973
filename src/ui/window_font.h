// Fonts of the windows, named by the faces the windows were designed with ("ＭＳ Ｐゴシック",
// "ＭＳ ゴシック"). Where such a face is not installed, the Japanese face fontconfig offers
// for it comes next, so that captions keep Japanese glyphs of one face instead of
// whatever each script's fallback finds.
#pragma once

#include <QFont>
#include <QString>

namespace mirvo::ui {

QFont WindowFont(const QString& face, int pixelSize);

}  // namespace mirvo::ui
