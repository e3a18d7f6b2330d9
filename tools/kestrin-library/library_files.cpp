#include "library_files.h"

#include "core/catalogue/records.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kestrin::library {

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // Flushed before the commit: a short buffered write fails only there, and would replace the file
    // with its head.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    // Served by workers that may run as another user.
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadOther | QFile::ReadGroup);
    return true;
}

namespace {

bool readAll(const QString &path, QByteArray *bytes, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return false;
    }
    *bytes = f.readAll();
    return true;
}

QByteArray joined(const QList<QByteArray> &items) { return items.join(','); }

} // namespace

QString pagePath(const QString &root, int n) { return root + QStringLiteral("/kq/Page%1.dat").arg(n); }
QString changerPath(const QString &root, int n) { return root + QStringLiteral("/kq/Changer%1.dat").arg(n); }

QByteArray picturePath(const QString &root, const Category &cat, const QByteArray &fileName)
{
    return QFile::encodeName(root) + '/' + cat.folder + '/' + fileName + cat.ext;
}

bool readConfig(const QString &root, QList<Category> *categories, QByteArray *releaseLine, QString *error)
{
    QByteArray body;
    if (!readAll(root + QStringLiteral("/kq/config.xml"), &body, error))
        return false;
    const QList<QByteArray> lines = splitLines(body, 2);
    if (lines.size() < 2) {
        *error = QStringLiteral("config.xml has fewer than two lines");
        return false;
    }
    categories->clear();
    for (const QByteArray &entry : splitString(lines[0], ",")) {
        const QList<QByteArray> f = splitString(entry, "|");
        categories->append({f.value(0), f.value(1), f.value(2)});
    }
    *releaseLine = lines[1];
    return true;
}

bool writeConfig(const QString &root, const QList<Category> &categories, const QByteArray &releaseLine, QString *error)
{
    QList<QByteArray> entries;
    for (const Category &c : categories)
        entries << c.name + '|' + c.folder + '|' + c.ext;
    return writeFileAtomically(root + QStringLiteral("/kq/config.xml"), joined(entries) + "\r\n" + releaseLine + "\r\n",
                               error);
}

bool readCategory(const QString &root, int n, CategoryFiles *files, QString *error)
{
    QByteArray page, change;
    if (!readAll(pagePath(root, n), &page, error) || !readAll(changerPath(root, n), &change, error))
        return false;
    const QList<QByteArray> pl = splitLines(page, 2);
    files->records = splitString(pl.value(0), ",");
    if (files->records.size() == 1 && files->records[0].isEmpty())
        files->records.clear();
    files->latest = splitString(pl.value(1), ",");
    if (files->latest.size() == 1 && files->latest[0].isEmpty())
        files->latest.clear();
    const QList<QByteArray> cl = splitLines(change, 4);
    bool ok = false;
    files->change.batch = cl.value(0);
    files->change.serial = parseSignedInt(cl.value(1), &ok);
    files->change.time = cl.value(2);
    files->change.changes = cl.value(3);
    if (!ok) {
        *error = QStringLiteral("%1: serial is not a number").arg(changerPath(root, n));
        return false;
    }
    return true;
}

bool writeChangeFile(const QString &root, int n, const ChangeFile &c, QString *error)
{
    const QByteArray body = c.batch + "\r\n" + QByteArray::number(c.serial) + "\r\n" + c.time + "\r\n" + c.changes + "\r\n";
    return writeFileAtomically(changerPath(root, n), body, error);
}

bool writeCategory(const QString &root, int n, const CategoryFiles &files, QString *error)
{
    const QByteArray page = joined(files.records) + "\r\n" + joined(files.latest) + "\r\n";
    return writeFileAtomically(pagePath(root, n), page, error) && writeChangeFile(root, n, files.change, error);
}

} // namespace kestrin::library
