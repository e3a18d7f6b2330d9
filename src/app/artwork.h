#pragma once
#include <QPixmap>

namespace kestrin {

// Our own artwork, drawn at run time: the splash picture (468 × 313) and the carrier pictures
// (148 × 47): index 0 for the "网通" carrier, 1 for "电信".
QPixmap splashPicture();
QPixmap carrierPicture(int index);
// The font family list used everywhere: the design font first, then what Debian ships.
QStringList uiFontFamilies();

} // namespace kestrin
