#include "core/server/failover_fetch.h"

#include "core/catalogue/catalogue.h"

namespace kestrin {

namespace {
constexpr int kLastServer = 5;
}

FailoverFetch::FailoverFetch(Catalogue &catalogue, const QString &path, const HttpRequest &prototype, Accept accept,
                             QObject *parent)
    : QObject(parent), m_catalogue(catalogue), m_path(path), m_prototype(prototype), m_accept(std::move(accept))
{
}

void FailoverFetch::start()
{
    cancel();
    m_running = true;
    attempt();
}

void FailoverFetch::cancel()
{
    ++m_generation;
    m_running = false;
    if (m_job)
        m_job->cancel();
}

void FailoverFetch::attempt()
{
    HttpRequest request = m_prototype;
    request.url = m_catalogue.baseUrl() + m_path;
    m_job = Http::get(request, this, [this](const HttpResult &r) { onResult(r); });
}

void FailoverFetch::onResult(const HttpResult &result)
{
    const unsigned generation = m_generation;
    const QPointer<FailoverFetch> self(this);
    if (m_accept(result)) {
        m_running = false;
        emit answered(result);
        return;
    }
    // A handler may show a modal message; whatever happens meanwhile, a cancelled fetch goes no further.
    emit serverFailed(m_catalogue.serverIndex, result.failed());
    if (!self || generation != m_generation)
        return;
    if (m_catalogue.serverIndex >= kLastServer) {
        m_running = false;
        emit exhausted();
        return;
    }
    ++m_catalogue.serverIndex;
    attempt();
}

} // namespace kestrin
