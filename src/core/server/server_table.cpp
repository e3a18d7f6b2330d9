#include "core/server/server_table.h"

#include "core/server/build_config.h"

namespace kestrin {

ServerTable ServerTable::forHosts(const QString &host1, const QString &host2, int port)
{
    ServerTable t;
    for (int carrier = 0; carrier < 2; ++carrier)
        for (int library = 0; library < 3; ++library)
            t.urls << QStringLiteral("http://%1:%2/").arg(carrier == 0 ? host1 : host2).arg(port);
    return t;
}

ServerTable ServerTable::builtIn()
{
    return forHosts(QStringLiteral(KESTRIN_HOST1), QStringLiteral(KESTRIN_HOST2), KESTRIN_PORT);
}

} // namespace kestrin
