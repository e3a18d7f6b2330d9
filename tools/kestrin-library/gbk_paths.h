#pragma once
// Picture folders and files are named on disk by the GBK bytes the client asks for, so a plain static
// server (nginx) answers its percent-encoded requests byte for byte. Qt names files in UTF-8 only, hence
// POSIX calls on byte paths here.
#include <QByteArray>
#include <QString>

namespace kestrin::library {

// Creates the missing folders above path, then replaces path atomically: a temporary file in the same
// folder, flushed to disk and renamed over it. Readable by all, as a web server's workers may run as
// another user.
bool writeBytePathAtomically(const QByteArray &path, const QByteArray &bytes, QString *error);
bool readBytePath(const QByteArray &path, QByteArray *bytes, QString *error);

} // namespace kestrin::library
