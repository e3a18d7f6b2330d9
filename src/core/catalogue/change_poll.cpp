#include "core/catalogue/change_poll.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/category_loader.h"
#include "core/catalogue/change_file.h"
#include "core/catalogue/records.h"
#include "core/server/failover_fetch.h"

namespace kestrin {

PollAction decidePoll(const Catalogue &cat, int c, const QList<QByteArray> &lines)
{
    if (!cat.isValid(c) || lines.size() < 3)
        return PollAction::Nothing;
    bool ok = false;
    const qint64 s = parseSignedInt(lines[1], &ok);
    if (!ok)
        return PollAction::Nothing; // a serial that is no number says nothing about being in step
    const Category &category = cat.categories[size_t(c)];
    const qint64 k = category.serial;
    const bool sameBatch = lines[0] == cat.changeBatch;
    const QByteArray list = lines.value(3);
    if (s == k)
        return PollAction::Nothing;
    if (sameBatch && s == k + 1 && trimmedBlanks(list).size() < 2)
        return PollAction::Nothing;
    if (sameBatch && s == k + 1) {
        // An entry naming a record beyond those held would be skipped while the serial moves on, and
        // the picture would be missing until some later reload.
        // Read in place: a list may hold 500,000 entries ("," is never the second byte of a character).
        const qsizetype held = cat.items(c).size();
        for (qsizetype start = 0; start <= list.size();) {
            const qsizetype comma = list.indexOf(',', start);
            const qsizetype stop = comma < 0 ? list.size() : comma;
            bool number = false;
            const int v = parseSignedInt(trimmedBlanks(QByteArrayView(list).sliced(start, stop - start)), &number);
            const qsizetype index = v < 0 ? -qsizetype(v) : qsizetype(v);
            if (number && index >= held)
                return PollAction::Reload;
            start = stop + 1;
        }
        return PollAction::Merge;
    }
    if (sameBatch && s < k)
        return PollAction::Nothing;
    return PollAction::Reload;
}

ChangePoller::ChangePoller(Catalogue &catalogue, CategoryLoader &loader, QObject *parent)
    : QObject(parent), m_catalogue(catalogue), m_loader(loader)
{
    m_timer.setObjectName(QStringLiteral("pollTimer"));
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ChangePoller::poll);
}

ChangePoller::~ChangePoller()
{
    if (m_fetch)
        m_fetch->cancel();
}

bool ChangePoller::isPolling() const { return m_fetch && m_fetch->isRunning(); }

void ChangePoller::poll()
{
    const int c = m_catalogue.current;
    if (isPolling() || m_loader.isLoading() || !m_catalogue.isValid(c))
        return;
    if (m_restart && m_chosen)
        m_catalogue.serverIndex = m_chosen();
    m_restart = false;
    HttpRequest prototype = changeFileRequest();
    prototype.keepAlive = !m_freshConnections;
    const QString path = changeFilePath(c);
    if (m_fetch)
        m_fetch->deleteLater();
    m_fetch = new FailoverFetch(m_catalogue, path, prototype,
                                [](const HttpResult &r) { return r.ok(); }, this);
    connect(m_fetch, &FailoverFetch::serverFailed, this, [this](int index) {
        m_failing = true;
        emit serverFailed(index);
    });
    connect(m_fetch, &FailoverFetch::exhausted, this, [this] {
        m_failing = true;
        m_restart = true;
        emit allServersFailed();
        emit finished();
    });
    connect(m_fetch, &FailoverFetch::answered, this, [this, c](const HttpResult &r) {
        onAnswer(c, r);
        emit finished();
    });
    m_fetch->start();
}

void ChangePoller::onAnswer(int category, const HttpResult &result)
{
    if (m_failing) {
        m_failing = false;
        emit recovered(m_catalogue.serverIndex);
    }
    // A category switch meanwhile: this answer is about a category no longer shown.
    if (category != m_catalogue.current || m_loader.isLoading())
        return;
    // The change file may say nothing new while the category shown is empty because its load failed;
    // with the server back, it is loaded again.
    if (m_catalogue.categories[size_t(category)].failed) {
        if (!m_sinceRetry.isValid() || m_sinceRetry.hasExpired(kRetryMs)) {
            m_sinceRetry.start();
            emit retryNeeded(category);
        }
        return;
    }
    const QList<QByteArray> lines = splitLines(result.body, 4);
    switch (decidePoll(m_catalogue, category, lines)) {
    case PollAction::Nothing:
        return;
    case PollAction::Merge: {
        Category &c = m_catalogue.categories[size_t(category)];
        c.serial += 1;
        c.changeList = lines.value(3);
        c.updateTime = lines.value(2);
        emit changesArrived(category, *c.changeList);
        return;
    }
    case PollAction::Reload:
        emit reloadNeeded(category);
        return;
    }
}

} // namespace kestrin
