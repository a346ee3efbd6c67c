// The font of both windows: a proportional Japanese Gothic (IPAPGothic where
// it is installed), given in pixels.
#pragma once

#include <QFont>

namespace pictor::ui {

QFont UiFont(int pixelSize = 12);

} // namespace pictor::ui
