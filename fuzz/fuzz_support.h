#pragma once
// What every fuzz target shares: property checks that stop the run with a message libFuzzer keeps
// beside the crash file, cutting an input into its parts, and the process-wide Qt set-up.
#include "core/catalogue/gbk.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <QFileInfo>
#include <QList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void propertyFailed(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "\n==PROPERTY FAILED== %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    __builtin_trap();
}

#define FUZZ_CHECK(cond)                                                                                        \
    do {                                                                                                        \
        if (!(cond))                                                                                            \
            ::fuzz::propertyFailed(#cond, __FILE__, __LINE__);                                                  \
    } while (0)

inline QByteArrayView bytesOf(const uint8_t *data, size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Splits an input at NUL bytes into exactly n parts: the last one takes the rest (NULs included),
// missing parts are empty. Seeds are then written as plain text with "\0" between the parts.
inline QList<QByteArray> parts(QByteArrayView input, int n)
{
    QList<QByteArray> out;
    qsizetype pos = 0;
    while (out.size() < n - 1) {
        const qsizetype nul = input.indexOf('\0', pos);
        if (nul < 0)
            break;
        out.append(input.sliced(pos, nul - pos).toByteArray());
        pos = nul + 1;
    }
    out.append(pos <= input.size() ? input.sliced(pos).toByteArray() : QByteArray());
    while (out.size() < n)
        out.append(QByteArray());
    return out;
}

// The character starts of text as gbk.h steps them: a lead byte with a trail byte after it is one
// character, any other byte one of its own.
inline QList<qsizetype> charStarts(QByteArrayView text)
{
    QList<qsizetype> starts;
    for (qsizetype i = 0; i < text.size(); i += kestrin::gbk::charWidth(text, i))
        starts.append(i);
    return starts;
}

// The first character start at or after from where needle lies in text, found the slow, obvious way.
inline qsizetype referenceIndexOf(QByteArrayView text, QByteArrayView needle, qsizetype from)
{
    if (needle.isEmpty())
        return from <= text.size() ? from : -1;
    for (const qsizetype s : charStarts(text)) {
        if (s >= from && s + needle.size() <= text.size() && text.sliced(s, needle.size()) == needle)
            return s;
    }
    return -1;
}

// The QCoreApplication of targets whose objects need an event dispatcher (timers), made once.
inline void initApplication(int *argc, char ***argv)
{
    static QCoreApplication *app = nullptr;
    if (!app)
        app = new QCoreApplication(*argc, *argv);
    if (!kestrin::gbk::available()) {
        std::fprintf(stderr, "GBK conversion is not available: nothing can be fuzzed\n");
        std::exit(1);
    }
}

// A folder of this process for the files a target writes, in memory where the system has a place
// for that (every save is flushed to disk, thousands a second); removed at exit.
inline const QString &scratchDir()
{
    static QTemporaryDir *dir = nullptr;
    static const QString path = [] {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        dir = shm.isDir() && shm.isWritable() ? new QTemporaryDir(QStringLiteral("/dev/shm/kestrin-fuzz-XXXXXX"))
                                              : new QTemporaryDir();
        std::atexit([] { delete dir; });
        return dir->path();
    }();
    return path;
}

} // namespace fuzz
