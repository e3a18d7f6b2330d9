#include "server/remote_config.h"

#include "catalogue/catalogue.h"
#include "catalogue/gbk.h"
#include "catalogue/records.h"
#include "platform/lifecycle.h"
#include "platform/prompts.h"
#include "platform/shell.h"
#include "server/http.h"

namespace kestrin {

std::optional<RemoteConfig> parseRemoteConfig(QByteArrayView body)
{
    const QList<QByteArray> lines = splitLines(body, 2);
    if (lines.size() < 2)
        return std::nullopt;
    const QList<QByteArray> release = SplitString(lines[1], "|");
    if (release.size() < 4)
        return std::nullopt;
    RemoteConfig cfg;
    cfg.categories = SplitString(lines[0], ",");
    while (!cfg.categories.isEmpty() && cfg.categories.last().trimmed().isEmpty())
        cfg.categories.removeLast();
    if (cfg.categories.isEmpty())
        return std::nullopt;
    for (QByteArray &entry : cfg.categories) {
        const qsizetype fields = SplitString(entry, "|").size();
        for (qsizetype f = fields; f < 3; ++f)
            entry.append('|');
    }
    cfg.version = release[0];
    cfg.upgradeUrl = release[1];
    cfg.tip = release[2];
    cfg.notice = release[3];
    return cfg;
}

ConfigResult LoadConfig(Catalogue &cat, Prompts &prompts, Shell &shell, Lifecycle &life, const QByteArray &ownVersion)
{
    ConfigResult result;
    std::optional<RemoteConfig> cfg;
    while (true) {
        const HttpResult answer = Http::get(cat.baseUrl() + QStringLiteral("/kq/config.xml"), kConfigTimeoutMs);
        if (answer.ok()) {
            cfg = parseRemoteConfig(answer.body);
            if (cfg)
                break;
        }
        if (cat.ServerIndex >= 5) {
            prompts.message(QStringLiteral("无法连接Kestrin服务器,请与管理员联系!"));
            life.requestTermination();
            return result;
        }
        ++cat.ServerIndex;
    }
    cat.CateList = cfg->categories;
    cat.size(int(cat.CateList.size()));
    result.config = *cfg;
    result.outcome = ConfigOutcome::Loaded;
    if (cfg->version != ownVersion &&
        prompts.confirm(QStringLiteral("Kestrin发现新的版本，是否立即升级？"))) {
        shell.open(gbk::decode(cfg->upgradeUrl));
        life.requestTermination();
        result.outcome = ConfigOutcome::UpgradeAccepted;
    }
    return result;
}

} // namespace kestrin
