#pragma once
#include <QByteArray>
#include <QString>

namespace kestrin::library {

struct InitOptions
{
    int categories = 4;
    int pictures = 250; // per category
    quint32 seed = 1;
};

// A sample library: configuration, one page and change file per category, the speed-test file, the
// counter and web-tab pages, and a real picture for every record.
bool initLibrary(const QString &root, const InitOptions &options, QString *error);
// Adds a picture (or updates the one with that file name): picture file, record, latest entry, serial
// + 1 and the change list that leads to it. time empty = now.
bool publishPicture(const QString &root, int category, const QByteArray &fileName, const QByteArray &chineseName,
                    const QByteArray &time, QString *error);
// Marks a picture withdrawn (time "-1") with a negative change entry.
bool withdrawPicture(const QString &root, int category, const QByteArray &fileName, QString *error);
// A new batch identifier in every change file: clients must reload rather than merge.
bool newBatch(const QString &root, QString *error);

// A small valid picture in the format its extension names (JPEG for .jpg/.jpeg, PNG otherwise).
QByteArray makePicture(const QByteArray &ext, quint32 seed);
// Time text in the library's form, "yyyy-MM-dd hh:mm".
QByteArray nowText();

} // namespace kestrin::library
