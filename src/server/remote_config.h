#pragma once
#include <QByteArray>
#include <QList>
#include <optional>

namespace kestrin {

struct Catalogue;
class Prompts;
class Shell;
class Lifecycle;

// "/kq/config.xml": line 0 the category entries, line 1 version|upgrade address|tip|notice.
struct RemoteConfig
{
    QList<QByteArray> categories; // each "caption|folder|extension", short entries padded
    QByteArray version;
    QByteArray upgradeUrl;
    QByteArray tip;
    QByteArray notice;
};

// nullopt for a configuration the program cannot run on: fewer than two lines, a release line of fewer
// than four fields, or no category. Empty entries at the end of line 0 (a trailing comma) are dropped;
// a short entry elsewhere keeps its place, padded with empty fields, so category numbers stay those
// of the server's files.
std::optional<RemoteConfig> parseRemoteConfig(QByteArrayView body);

enum class ConfigOutcome { Loaded, Unreachable, UpgradeAccepted };

struct ConfigResult
{
    ConfigOutcome outcome = ConfigOutcome::Unreachable;
    RemoteConfig config;
};

// Fetches the configuration from the first base address that answers, from cat.ServerIndex on, sizes
// the catalogue and asks about a differing version. Unreachable: the message was shown and the end of
// the program requested.
ConfigResult LoadConfig(Catalogue &cat, Prompts &prompts, Shell &shell, Lifecycle &life, const QByteArray &ownVersion);

inline constexpr int kConfigTimeoutMs = 3000;

} // namespace kestrin
