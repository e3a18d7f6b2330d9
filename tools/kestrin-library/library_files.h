#pragma once
// Reading and writing a published library folder: kq/config.xml, kq/Page<n>.dat, kq/Changer<n>.dat and
// the picture files. Every file is replaced atomically, so a client polling meanwhile never reads half.
#include <QByteArray>
#include <QList>
#include <QString>

namespace kestrin::library {

struct Category
{
    QByteArray name;
    QByteArray folder; // relative to the library root, e.g. "kq/pic0"
    QByteArray ext;    // with its dot
};

struct ChangeFile
{
    QByteArray batch;
    qint32 serial = 0;
    QByteArray time;
    QByteArray changes; // entries joined by ","
};

struct CategoryFiles
{
    QList<QByteArray> records; // "id\tfile|name|time"
    QList<QByteArray> latest;
    ChangeFile change;
};

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error);

bool readConfig(const QString &root, QList<Category> *categories, QByteArray *releaseLine, QString *error);
bool writeConfig(const QString &root, const QList<Category> &categories, const QByteArray &releaseLine, QString *error);
bool readCategory(const QString &root, int n, CategoryFiles *files, QString *error);
// Writes the page file first and the change file last: a poll that sees the new serial finds the page
// that goes with it.
bool writeCategory(const QString &root, int n, const CategoryFiles &files, QString *error);
bool writeChangeFile(const QString &root, int n, const ChangeFile &change, QString *error);

QString pagePath(const QString &root, int n);
QString changerPath(const QString &root, int n);
// Where the client fetches a picture: folder + "/" + file name + extension, as the GBK bytes of its
// request (see gbk_paths.h); read and write it with readBytePath and writeBytePathAtomically.
QByteArray picturePath(const QString &root, const Category &cat, const QByteArray &fileName);

} // namespace kestrin::library
