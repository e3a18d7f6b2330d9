#include "core/server/speed_test.h"

#include "core/catalogue/catalogue.h"
#include "core/server/http.h"

namespace kestrin {

QString speedText(qint64 elapsedMs)
{
    return QString::number(qint64(1000000) / qMax<qint64>(1, elapsedMs)) + QStringLiteral(" KB/s");
}

SpeedTest::SpeedTest(Catalogue &catalogue, QObject *parent) : QObject(parent), m_catalogue(catalogue) {}

void SpeedTest::start()
{
    if (m_job)
        m_job->cancel();
    const int index = m_catalogue.serverIndex;
    HttpRequest request;
    request.url = m_catalogue.baseUrl() + QStringLiteral("/kq/tsspeed.dat");
    request.readTimeoutMs = kTimeoutMs;
    request.maxBytes = 16 << 20;
    m_clock.start();
    m_job = Http::get(request, this, [this, index](const HttpResult &r) {
        const qint64 elapsed = m_clock.elapsed();
        if (r.failed())
            emit failed(r.reason().isEmpty() ? r.errorText : r.reason());
        else
            emit measured(index % 3, speedText(elapsed));
    });
}

} // namespace kestrin
