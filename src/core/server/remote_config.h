#pragma once
#include "core/catalogue/catalogue.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <optional>

namespace kestrin {

class FailoverFetch;

// "/kq/config.xml": line 0 the category entries "caption|folder|extension" joined by ",", line 1
// "version|upgrade address|tip|notice".
struct RemoteConfig
{
    QList<CategoryEntry> categories;
    QByteArray version;
    QByteArray upgradeUrl;
    QByteArray tip;
    QByteArray notice;
};

// nullopt for a configuration the program cannot run on: fewer than two lines, a release line of fewer
// than four fields, or no category. Empty entries at the end of line 0 (a trailing comma) are dropped;
// a short entry elsewhere keeps its place with empty fields, so category numbers stay those of the
// server's files.
std::optional<RemoteConfig> parseRemoteConfig(QByteArrayView body);

// Fetches the configuration from the first server that answers with a usable one, from the server in
// use on; a server that fails is passed over silently.
class ConfigLoader : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 3000;

    explicit ConfigLoader(Catalogue &catalogue, QObject *parent = nullptr);
    void start();

signals:
    void loaded(const kestrin::RemoteConfig &config);
    // No server gave a usable configuration.
    void unreachable();

private:
    FailoverFetch *m_fetch;
};

} // namespace kestrin
