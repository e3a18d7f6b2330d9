#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace kestrin {

// A name from the server made fit to be a file name in a local folder: decoded from GBK, with path
// separators and control characters replaced by "_". Empty when nothing usable is left ("", ".", "..").
QString localFileName(QByteArrayView gbkName);

// What one picture download reads and writes, worked out from the dialog's inputs.
struct DownloadPlan
{
    QByteArray fileName;    // field 0 of the name spec
    QByteArray chineseName; // field 1
    QByteArray extension;   // the last field, whole
    QString url;            // URL base + file name + extension (GBK bytes percent-encoded)
    QString cacheName;      // local name of the copy that is opened
    QString targetPath;     // save folder + "/" + local name
};

// nameSpec: "file name|Chinese name|...|extension". nullopt when the spec yields no usable local name
// (a name made only of separators or dots, for instance): such a picture is neither opened nor saved.
std::optional<DownloadPlan> planDownload(const QString &urlBase, QByteArrayView nameSpec, const QString &savePath,
                                         bool useChineseName);

// The save folder without one trailing separator, as the dialog keeps it.
QString trimSavePath(const QString &savePath);

} // namespace kestrin
