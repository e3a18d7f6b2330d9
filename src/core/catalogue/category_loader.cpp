#include "core/catalogue/category_loader.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/change_file.h"
#include "core/catalogue/records.h"
#include "core/server/failover_fetch.h"
#include "core/server/http.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <memory>

namespace kestrin {

CategoryLoader::CategoryLoader(Catalogue &catalogue, QObject *parent) : QObject(parent), m_catalogue(catalogue) {}

CategoryLoader::~CategoryLoader() { cancel(); }

void CategoryLoader::load(int category)
{
    cancel();
    if (!m_catalogue.isValid(category)) {
        finish(category, false, QStringLiteral("没有这个分类"));
        return;
    }
    m_loading = category;
    HttpRequest request;
    request.url = m_catalogue.baseUrl() + QStringLiteral("/kq/Page%1.dat").arg(category);
    request.readTimeoutMs = kPageReadTimeoutMs;
    request.deadlineMs = kPageDeadlineMs;
    m_pageJob = Http::get(request, this, [this, category](const HttpResult &r) { onPage(category, r); });
}

void CategoryLoader::cancel()
{
    ++m_generation;
    m_loading = -1;
    if (m_pageJob)
        m_pageJob->cancel();
    if (m_parse) {
        m_parse->disconnect(this);
        m_parse->deleteLater(); // the page being cut goes unused
        m_parse = nullptr;
    }
    if (m_changeFetch) {
        m_changeFetch->cancel();
        m_changeFetch->deleteLater(); // it may be inside one of its own signals
        m_changeFetch = nullptr;
    }
    m_page = {};
}

void CategoryLoader::onPage(int category, const HttpResult &result)
{
    if (!result.ok()) {
        finish(category, false, result.reason());
        return;
    }
    // Cutting millions of records out of a page takes longer than a click may wait: it is done beside
    // the window, and the answer of a load superseded meanwhile is dropped.
    auto promise = std::make_shared<QPromise<std::optional<PageFile>>>();
    m_parse = new QFutureWatcher<std::optional<PageFile>>(this);
    const unsigned generation = m_generation;
    connect(m_parse, &QFutureWatcherBase::finished, this, [this, category, generation, watcher = m_parse] {
        watcher->deleteLater();
        if (generation != m_generation)
            return;
        m_parse = nullptr;
        std::optional<PageFile> page = watcher->future().takeResult();
        if (!page) {
            finish(category, false, QStringLiteral("分类文件格式不对"));
            return;
        }
        m_page = std::move(*page);
        fetchChangeFile(category);
    });
    m_parse->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, body = result.body] {
        promise->start();
        PageFile page;
        promise->addResult(parsePageFile(body, page) ? std::optional<PageFile>(std::move(page)) : std::nullopt);
        promise->finish();
    });
}

void CategoryLoader::fetchChangeFile(int category)
{
    m_changeFetch = new FailoverFetch(m_catalogue, changeFilePath(category), changeFileRequest(),
                                      [](const HttpResult &r) { return r.ok(); }, this);
    connect(m_changeFetch, &FailoverFetch::serverFailed, this, &CategoryLoader::changeServerFailed);
    connect(m_changeFetch, &FailoverFetch::answered, this,
            [this](const HttpResult &r) { onChangeFile(splitLines(r.body, 4)); });
    connect(m_changeFetch, &FailoverFetch::exhausted, this, [this] {
        const unsigned generation = m_generation;
        emit changeServersExhausted();
        if (generation == m_generation) // not superseded meanwhile
            onChangeFile({});
    });
    m_changeFetch->start();
}

void CategoryLoader::onChangeFile(const QList<QByteArray> &lines)
{
    const int category = m_loading;
    applyPage(m_catalogue, category, std::move(m_page));
    applyChangeLines(m_catalogue, category, lines);
    finish(category, true, {});
}

void CategoryLoader::finish(int category, bool ok, const QString &reason)
{
    if (m_catalogue.isValid(category)) {
        Category &c = m_catalogue.categories[size_t(category)];
        c.failed = !ok;
        if (!ok)
            c.items = RecordList();
    }
    m_loading = -1;
    m_page = {};
    if (m_changeFetch) {
        m_changeFetch->deleteLater();
        m_changeFetch = nullptr;
    }
    emit finished(category, ok, reason);
}

} // namespace kestrin
