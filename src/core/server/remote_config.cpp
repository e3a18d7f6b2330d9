#include "core/server/remote_config.h"

#include "core/catalogue/records.h"
#include "core/server/failover_fetch.h"

namespace kestrin {

std::optional<RemoteConfig> parseRemoteConfig(QByteArrayView body)
{
    const QList<QByteArray> lines = splitLines(body, 2);
    if (lines.size() < 2)
        return std::nullopt;
    const QList<QByteArray> release = splitString(lines[1], "|");
    if (release.size() < 4)
        return std::nullopt;
    QList<QByteArray> entries = splitString(lines[0], ",");
    while (!entries.isEmpty() && trimmedBlanks(entries.last()).isEmpty())
        entries.removeLast();
    if (entries.isEmpty())
        return std::nullopt;
    RemoteConfig cfg;
    // Fields are kept apart rather than padded with "|": a bar after a lone GBK lead byte would become
    // the second half of a character and shift every field after it.
    for (const QByteArray &entry : entries) {
        const QList<QByteArray> fields = splitString(entry, "|");
        cfg.categories.append({fields.value(0), fields.value(1), fields.value(2)});
    }
    cfg.version = release[0];
    cfg.upgradeUrl = release[1];
    cfg.tip = release[2];
    cfg.notice = release[3];
    return cfg;
}

ConfigLoader::ConfigLoader(Catalogue &catalogue, QObject *parent) : QObject(parent)
{
    HttpRequest prototype;
    prototype.readTimeoutMs = kTimeoutMs;
    prototype.deadlineMs = kTimeoutMs;
    m_fetch = new FailoverFetch(catalogue, QStringLiteral("/kq/config.xml"), prototype,
                                [](const HttpResult &r) { return r.ok() && parseRemoteConfig(r.body).has_value(); },
                                this);
    connect(m_fetch, &FailoverFetch::answered, this,
            [this](const HttpResult &r) { emit loaded(*parseRemoteConfig(r.body)); });
    connect(m_fetch, &FailoverFetch::exhausted, this, &ConfigLoader::unreachable);
}

void ConfigLoader::start() { m_fetch->start(); }

} // namespace kestrin
