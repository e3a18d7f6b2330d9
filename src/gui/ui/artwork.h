#pragma once
#include <QPixmap>

namespace kestrin {

// Our own artwork, drawn at run time: the splash picture (468 × 313) and the carrier pictures
// (148 × 47): carrier 0 is "电信", 1 is "网通".
QPixmap splashPicture();
QPixmap carrierPicture(int carrier);
// The font family list used everywhere: the design font first, then what Debian ships.
QStringList uiFontFamilies();

} // namespace kestrin
