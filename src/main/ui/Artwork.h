#pragma once

#include <QIcon>
#include <QPixmap>

namespace lumivex {

// The program's pictures, drawn rather than shipped: nothing to lose from a resource file, and
// they stay sharp at any device pixel ratio.

// The START TEST button's face: a green plate with a play mark and "START TEST".
QPixmap startTestBitmap(qreal devicePixelRatio = 1.0);
// The program's icon: three overlapping light circles (red, green, blue) on a dark plate.
QIcon lumivexIcon();
QPixmap lumivexIconPixmap(int size, qreal devicePixelRatio = 1.0);

} // namespace lumivex
