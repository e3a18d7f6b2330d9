#pragma once
#include <QByteArray>
#include <QList>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace kestrin {

struct Catalogue;
struct HttpResult;
class CategoryLoader;
class FailoverFetch;

enum class PollAction {
    Nothing,
    Merge,           // exactly the next change list of the same batch
    Reload,          // another batch, serials skipped, or records named that are not held yet
};

// What a poll does with the change file of category c, by the first row that matches: fewer than
// three lines, the serial held, or a next list of fewer than two characters: nothing; the next list
// of the same batch: merge (a reload when it names a record beyond those held, which a merge would
// skip); an older serial of the same batch: nothing; anything else: reload.
PollAction decidePoll(const Catalogue &cat, int c, const QList<QByteArray> &lines);

// Every 5 seconds, asks the server for the current category's change file. One poll at a time, none
// while a category loads, and an answer for a category that is no longer current is dropped. Failing
// servers are passed over quietly; when none answers, the next tick tries again from the server the
// user chose. Polls keep their connection but always ask for the whole file (a few dozen bytes): a
// change uploaded with an older file time, or within the second of the last one, would be answered
// "not modified" by servers that judge by time and size, and missed for good.
class ChangePoller : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 5000;
    static constexpr int kRetryMs = 30000;

    ChangePoller(Catalogue &catalogue, CategoryLoader &loader, QObject *parent = nullptr);
    ~ChangePoller() override;

    QTimer &timer() { return m_timer; }
    // The server a new round starts from after every server failed (the user's choice).
    void setChosenServer(std::function<int()> chosen) { m_chosen = std::move(chosen); }
    // A new connection for every poll (for measuring what a kept connection saves).
    void setFreshConnections(bool fresh) { m_freshConnections = fresh; }
    void poll();
    bool isPolling() const;

signals:
    // The next change list of category was stored (serial, time, list): merge it.
    void changesArrived(int category, const QByteArray &changeList); // entries joined by ","
    // The category is out of step: reload it.
    void reloadNeeded(int category);
    // The category's last load failed and the server answers again: load it once more.
    void retryNeeded(int category);
    void serverFailed(int index);
    void allServersFailed();
    // A server answered after failures.
    void recovered(int index);
    // The poll that was started has ended, whatever it found.
    void finished();

private:
    void onAnswer(int category, const HttpResult &result);

    Catalogue &m_catalogue;
    CategoryLoader &m_loader;
    QTimer m_timer;
    FailoverFetch *m_fetch = nullptr;
    std::function<int()> m_chosen;
    bool m_failing = false;
    bool m_restart = false;
    QElapsedTimer m_sinceRetry; // a category whose load keeps failing is tried every kRetryMs, not each poll
    bool m_freshConnections = false;
};

} // namespace kestrin
