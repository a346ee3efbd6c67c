// The UI font.
#include "ui/UiFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace pictor::ui {

QFont UiFont(int pixelSize)
{
    QFont font;
    // Proportional Japanese Gothic faces, best first; the platform's sans
    // serif (with its own Japanese fallback) when none is installed.
    const QStringList families = QFontDatabase::families();
    for (const char* name : {"IPAPGothic", "IPA Pゴシック", "Noto Sans CJK JP", "VL PGothic", "TakaoPGothic"}) {
        const QString family = QString::fromUtf8(name);
        if (families.contains(family, Qt::CaseInsensitive)) {
            font.setFamily(family);
            break;
        }
    }
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace pictor::ui
