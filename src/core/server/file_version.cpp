#include "core/server/file_version.h"

#include "core/server/build_config.h"

#include <QCoreApplication>
#include <QFile>

namespace kestrin {

// The version record that goes into every executable linking this library; the marker text around
// the number lets fileVersion find it in the file's bytes.
extern "C" {
__attribute__((used)) const char kestrin_version_record[] = "<<FileVersion:" KESTRIN_VERSION ">>";
}

QByteArray fileVersion(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const QByteArray marker = QByteArray("<<File") + "Version:";
    for (qsizetype at = bytes.indexOf(marker); at >= 0; at = bytes.indexOf(marker, at + 1)) {
        const qsizetype start = at + marker.size();
        const qsizetype end = bytes.indexOf(">>", start);
        if (end < 0 || end - start > 32)
            continue;
        const QByteArray value = bytes.mid(start, end - start);
        bool plain = !value.isEmpty();
        for (char c : value)
            plain = plain && ((c >= '0' && c <= '9') || c == '.');
        if (plain)
            return value;
    }
    return {};
}

QByteArray ownFileVersion()
{
    (void)kestrin_version_record[0];
    return fileVersion(QCoreApplication::applicationFilePath());
}

} // namespace kestrin
