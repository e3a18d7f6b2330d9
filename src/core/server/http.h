#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QFile;
class QSaveFile;
class QTimer;

namespace kestrin {

struct HttpResult
{
    int status = 0;              // HTTP status, 0 when no response arrived
    QByteArray body;             // empty when the answer went into a file
    bool transportError = false; // no connection, dropped, cut short, timed out, too large, not written
    bool timedOut = false;
    bool tooLarge = false;
    bool writeFailed = false;
    QString errorText;
    QByteArray etag;         // validators the server gave, for asking "has it changed?" next time
    QByteArray lastModified;
    QByteArray date;         // the server's clock when it answered
    qint64 resumedFrom = 0;  // a resumable download that went on from this many bytes (status 206)

    // What an HTTP client reports as a failure: no answer, or a status outside 2xx.
    bool failed() const { return transportError || status < 200 || status > 299; }
    bool ok() const { return !transportError && (status == 200 || (status == 206 && resumedFrom > 0)); }
    // The server says the file is unchanged since the validators that were sent.
    bool notModified() const { return !transportError && status == 304; }
    // Why the answer is of no use, in the words the status bar shows; empty when ok().
    QString reason() const;
    // Whether the validators will tell a later change: servers judge "changed since" to the second
    // (nginx's ETag too), so a file changed in the second it was served may change again unseen.
    bool validatorsSettled() const;
};

struct HttpRequest
{
    static constexpr int kDefaultReadTimeoutMs = 30000;
    static constexpr qint64 kTextLimit = 256LL * 1024 * 1024; // larger text answers count as failed

    QString url;
    int readTimeoutMs = kDefaultReadTimeoutMs; // inactivity: a trickle of bytes keeps it alive
    int deadlineMs = 0;                        // the whole request; 0 for none
    qint64 maxBytes = kTextLimit;              // in-memory answers only
    // Non-empty: the answer streams into a temporary file beside this path, which replaces the path
    // only when the whole answer arrived with status 200. Nothing is written otherwise.
    QString targetPath;
    // Non-empty (with targetPath): a download that survives being cut short. It streams into this file,
    // which stays when the transfer breaks; the next try asks for the rest (Range, If-Range: ifRange)
    // and starts over when the server has another version. Whole, it is renamed to targetPath.
    QString partialPath;
    QByteArray ifRange;
    // Keep the connection for the next request (polls); otherwise it is closed after the answer.
    bool keepAlive = false;
    // Validators of the copy already held: a server that still has that version answers 304.
    QByteArray ifNoneMatch;
    QByteArray ifModifiedSince;
};

// One request in flight. It belongs to the object it was started for (its context): when that object
// goes, the request is aborted and no answer is delivered. finished is emitted once, after which the
// job deletes itself; cancel() aborts at once and finished never comes.
class HttpJob : public QObject
{
    Q_OBJECT
public:
    ~HttpJob() override;
    const HttpRequest &request() const { return m_request; }
    void cancel();

signals:
    void progress(qint64 received, qint64 total);
    // A download into a partial file has begun; what identifies the version its bytes belong to.
    void partialStarted(const QByteArray &etag, const QByteArray &lastModified);
    void finished(const kestrin::HttpResult &result);

private:
    friend struct Http;
    HttpJob(const HttpRequest &request, QObject *context);
    void begin();
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void failWith(bool HttpResult::*flag, const QString &text);
    bool openPartial(int status);
    void finishPartial(HttpResult &r);
    void detachReply();

    HttpRequest m_request;
    HttpResult m_result;
    QNetworkReply *m_reply = nullptr;
    QSaveFile *m_file = nullptr;
    QFile *m_partial = nullptr;
    qint64 m_offset = 0; // bytes of the partial file asked to be continued
    qint64 m_total = -1; // the whole file's size, as a 206 answer gives it
    QByteArray m_chunk;  // what is on its way from the network to a file
    QTimer *m_deadline = nullptr;
    qint64 m_received = 0;
    bool m_done = false;
};

struct Http
{
    // Starts a GET; the job is owned by context (see HttpJob).
    static HttpJob *start(const HttpRequest &request, QObject *context);
    // Starts a GET and calls onDone(result) in context's thread, unless context is gone first.
    template <typename F>
    static HttpJob *get(const HttpRequest &request, QObject *context, F onDone)
    {
        HttpJob *job = start(request, context);
        QObject::connect(job, &HttpJob::finished, context, onDone);
        return job;
    }
    static QNetworkAccessManager &manager();
    // Every read time-out and deadline is multiplied by this (1 in the program). Tests of servers that
    // hang set it small, so a half-minute wait costs them a second and the rules stay the program's.
    static void setTimeoutScale(double scale);
    static int scaledTimeout(int ms);
};

} // namespace kestrin
