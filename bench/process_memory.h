#pragma once
// Memory of a process and of the processes it started, read from /proc (Linux).
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>

namespace kestrin::bench {

inline QList<int> childrenOf(int pid)
{
    QList<int> out;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(task) + QStringLiteral("/children"));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &child : f.readAll().split(' ')) {
            if (child.trimmed().toInt() > 0)
                out << child.trimmed().toInt();
        }
    }
    return out;
}

// pid and everything it started, parents first.
inline QList<int> processTree(int pid)
{
    QList<int> out{pid};
    for (int child : childrenOf(pid))
        out << processTree(child);
    return out;
}

// A "Key:   123 kB" line of a /proc file, in kB (-1 when missing).
inline long procKb(int pid, const char *file, const QByteArray &key)
{
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').first().toLong();
    }
    return -1;
}

inline long pssKb(int pid) { return procKb(pid, "smaps_rollup", "Pss"); }
inline long rssKb(int pid) { return procKb(pid, "status", "VmRSS"); }

inline long treePssKb(int pid)
{
    long kb = 0;
    for (int p : processTree(pid))
        kb += qMax(0L, pssKb(p));
    return kb;
}

inline int parentOf(int pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    return stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(1).toInt();
}

// What a process of the tree is: the program itself or a web engine helper's --type; a zygote's
// children (forked, so they keep its command line) are the renderers.
inline QString processRole(int pid, bool askParent = true)
{
    if (askParent && processRole(parentOf(pid), false) == QLatin1String("zygote"))
        return QStringLiteral("renderer");
    QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    const QList<QByteArray> args = f.readAll().split('\0');
    QString role = QFileInfo(QString::fromLocal8Bit(args.value(0))).fileName();
    for (const QByteArray &arg : args) {
        if (arg.startsWith("--type="))
            role = QString::fromLatin1(arg.mid(7));
        else if (arg.startsWith("--utility-sub-type="))
            role += QLatin1Char(' ') + QString::fromLatin1(arg.mid(19));
    }
    return role;
}

} // namespace kestrin::bench
