#pragma once
#include <QByteArray>
#include <QString>

namespace kestrin {

// The "FileVersion" text stored in an executable built from this project; empty when it has none or
// cannot be read.
QByteArray fileVersion(const QString &path);
// This build's own version text, as fileVersion reads it from the executable.
QByteArray ownFileVersion();

} // namespace kestrin
