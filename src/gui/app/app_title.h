#pragma once
#include <QString>

namespace kestrin {

// The application's title: the first part of the main window's caption, of the splash's motto and of
// the latest list's heading, and the title of plain message boxes.
inline const QString kAppTitle = QStringLiteral("图库");

} // namespace kestrin
