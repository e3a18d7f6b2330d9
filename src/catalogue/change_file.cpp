#include "catalogue/change_file.h"

#include "catalogue/catalogue.h"
#include "catalogue/records.h"
#include "platform/lifecycle.h"
#include "platform/prompts.h"
#include "server/http.h"

namespace kestrin {

QList<QByteArray> FetchChanger(Catalogue &cat, int n, Prompts &prompts, Lifecycle &life)
{
    while (true) {
        const QString url = cat.baseUrl() + QStringLiteral("/kq/Changer%1.dat").arg(n);
        const HttpResult answer = Http::get(url, kChangerTimeoutMs);
        if (answer.failed())
            prompts.message(QStringLiteral("与#%1号主机通信失败,尝试连接下一台服务器!").arg(cat.ServerIndex));
        else if (answer.status == 200)
            return splitLines(answer.body, 4);
        if (cat.ServerIndex >= 5) {
            prompts.message(QStringLiteral("所有服务器均无法连接,请与管理员联系!"));
            life.requestTermination();
            return {};
        }
        ++cat.ServerIndex;
    }
}

} // namespace kestrin
