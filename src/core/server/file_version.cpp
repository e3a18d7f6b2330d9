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
    // Mapped, not read: the record lies near the start of the file, while reading the whole executable
    // (tens of MB with debug information) held the event loop for 150 ms at every start.
    const qint64 size = file.size();
    const uchar *mapped = size > 0 ? file.map(0, size) : nullptr;
    const QByteArray read = mapped ? QByteArray() : file.readAll();
    const QByteArrayView bytes = mapped ? QByteArrayView(mapped, size) : QByteArrayView(read);
    const QByteArray marker = QByteArray("<<File") + "Version:";
    for (qsizetype at = bytes.indexOf(marker); at >= 0; at = bytes.indexOf(marker, at + 1)) {
        const qsizetype start = at + marker.size();
        const qsizetype end = bytes.indexOf(">>", start);
        if (end < 0 || end - start > 32)
            continue;
        const QByteArray value = bytes.sliced(start, end - start).toByteArray();
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
