#pragma once
#include <QString>
#include <QStringList>

namespace kestrin {

// The folder of the program's own files (the download queue): "Kestrin" in the user's data folder
// (~/.local/share/Kestrin). Earlier releases kept them one level deeper, in Kestrin/Kestrin, from
// naming both the organisation and the application "Kestrin".
QString dataFolder();
QString earlierDataFolder();

// Moves the files kept in from (an earlier release's folder) into to, each renamed in one step. A
// file that to already holds at least as recent stays where it is, as does one that cannot be moved;
// their names are returned. from is removed once it is empty.
QStringList moveDataFiles(const QString &from, const QString &to);

} // namespace kestrin
