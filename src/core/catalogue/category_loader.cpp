#include "core/catalogue/category_loader.h"

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
    const unsigned generation = m_generation;
    // Over the polls' kept connection: a switch costs no connection set-up.
    HttpRequest change = changeFileRequest();
    change.keepAlive = true;
    m_changeFetch = new FailoverFetch(m_catalogue, changeFilePath(category), change,
                                      [](const HttpResult &r) { return r.ok(); }, this);
    connect(m_changeFetch, &FailoverFetch::serverFailed, this, &CategoryLoader::changeServerFailed);
    connect(m_changeFetch, &FailoverFetch::answered, this,
            [this](const HttpResult &r) { onChangeFile(splitLines(r.body, 4)); });
    connect(m_changeFetch, &FailoverFetch::exhausted, this, [this] { onChangeFile(std::nullopt); });
    m_changeFetch->start();
    // Nothing held that could still be current: the page goes out beside the change file, not after it.
    if (generation == m_generation && !m_catalogue.categories[size_t(category)].held)
        requestPage(false);
}

void CategoryLoader::cancel()
{
    ++m_generation;
    m_loading = -1;
    stopLoad();
}

// Whatever the load in flight still has out is stopped and what it gathered dropped.
void CategoryLoader::stopLoad()
{
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
    m_page.reset();
    m_keepHeld = false;
    m_fetched.reset();
    m_changeLines.reset();
    m_changeDone = false;
    m_pageAsked = false;
}

void CategoryLoader::requestPage(bool askIfChanged)
{
    HttpRequest request;
    request.url = m_catalogue.baseUrl() + QStringLiteral("/kq/Page%1.dat").arg(m_loading);
    request.readTimeoutMs = kPageReadTimeoutMs;
    request.deadlineMs = kPageDeadlineMs;
    request.keepAlive = true;
    const std::optional<HeldPage> &held = m_catalogue.categories[size_t(m_loading)].held;
    // Validators describe the copy of one server; another address may have another version.
    const bool conditional = askIfChanged && held && held->url == request.url;
    if (conditional) {
        request.ifNoneMatch = held->etag;
        request.ifModifiedSince = held->lastModified;
    }
    m_pageAsked = true;
    m_pageJob = Http::get(request, this, [this, conditional, request](const HttpResult &r) {
        if (conditional && r.notModified()) {
            m_keepHeld = true;
            completeIfReady();
        } else {
            onPage(r, request.url);
        }
    });
}

void CategoryLoader::onPage(const HttpResult &result, const QString &url)
{
    const int category = m_loading;
    if (!result.ok()) {
        finish(category, false, result.reason());
        return;
    }
    if (result.validatorsSettled() && (!result.etag.isEmpty() || !result.lastModified.isEmpty()))
        m_fetched = HeldPage{url, result.etag, result.lastModified, {}, {}};
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
        m_page = std::move(page);
        completeIfReady();
    });
    m_parse->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, body = result.body] {
        promise->start();
        PageFile page;
        promise->addResult(parsePageFile(body, page) ? std::optional<PageFile>(std::move(page)) : std::nullopt);
        promise->finish();
    });
}

void CategoryLoader::onChangeFile(std::optional<QList<QByteArray>> lines)
{
    m_changeDone = true;
    m_changeLines = std::move(lines);
    if (!m_pageAsked) {
        // The page waited for this answer: the held copy is asked after only while batch and serial
        // are those it was loaded with; anything else, or no answer, and the page comes in full.
        const std::optional<HeldPage> &held = m_catalogue.categories[size_t(m_loading)].held;
        const bool same = held && m_changeLines && m_changeLines->size() >= 2 &&
                          m_changeLines->at(0) == held->batch && m_changeLines->at(1) == held->serial;
        requestPage(same);
        return;
    }
    completeIfReady();
}

void CategoryLoader::completeIfReady()
{
    if (!m_changeDone || (!m_page && !m_keepHeld))
        return;
    const int category = m_loading;
    const bool changeFileIn = m_changeLines.has_value();
    if (!changeFileIn) {
        const unsigned generation = m_generation;
        emit changeServersExhausted();
        if (generation != m_generation) // superseded meanwhile
            return;
    }
    Category &c = m_catalogue.categories[size_t(category)]; // taken after the signal's handlers ran
    if (!m_keepHeld) {
        applyPage(m_catalogue, category, std::move(*m_page));
        c.held.reset();
        // Only a version whose batch and serial are known can be asked after later.
        if (m_fetched && changeFileIn && m_changeLines->size() >= 2) {
            m_fetched->batch = m_changeLines->at(0);
            m_fetched->serial = m_changeLines->at(1);
            c.held = std::move(m_fetched);
        }
    }
    if (changeFileIn)
        applyChangeLines(m_catalogue, category, *m_changeLines);
    finish(category, true, {});
}

void CategoryLoader::finish(int category, bool ok, const QString &reason)
{
    if (m_catalogue.isValid(category)) {
        Category &c = m_catalogue.categories[size_t(category)];
        c.failed = !ok;
        if (!ok) {
            c.items = RecordList();
            c.held.reset();
        }
    }
    m_loading = -1;
    stopLoad();
    emit finished(category, ok, reason);
}

} // namespace kestrin
