#pragma once
#include <QString>
#include <QStringList>

namespace kestrin {

// The six server base addresses: three libraries on each carrier's host, every one "http://host:port/".
// Entry 3 × carrier + library; a request address is a base followed directly by a path.
struct ServerTable
{
    QStringList urls;

    static ServerTable builtIn();
    static ServerTable forHosts(const QString &host1, const QString &host2, int port);
    int size() const { return int(urls.size()); }
    QString url(int index) const { return index >= 0 && index < urls.size() ? urls.at(index) : QString(); }
};

inline const char *const kCarrierNames[2] = {"电信服务器", "网通服务器"};

} // namespace kestrin
