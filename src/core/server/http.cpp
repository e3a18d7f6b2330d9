#include "core/server/http.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kestrin {

namespace {
constexpr qint64 kFileReadAhead = 2 << 20;
constexpr qint64 kTextReadAhead = 1 << 20;
double timeoutScale = 1.0;

// The proxy the environment (http_proxy, https_proxy, no_proxy, also in upper case) or the desktop
// names, and none where none is set. A server on this machine is always reached directly: a proxy
// elsewhere could not reach it, and its exceptions need not list it.
class SystemProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        const QString host = query.peerHostName();
        const QHostAddress address(host);
        if (address.isLoopback() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
            host.endsWith(QLatin1String(".localhost"), Qt::CaseInsensitive))
            return {QNetworkProxy::NoProxy};
        // The system's reader takes "no_proxy=*" for a host name, not for every host.
        for (const char *name : {"no_proxy", "NO_PROXY"}) {
            if (qgetenv(name).trimmed() == "*")
                return {QNetworkProxy::NoProxy};
        }
        return systemProxyForQuery(query);
    }
};
}

void Http::setTimeoutScale(double scale) { timeoutScale = scale; }

int Http::scaledTimeout(int ms) { return qMax(1, int(ms * timeoutScale)); }

bool HttpResult::validatorsSettled() const
{
    const auto parse = [](const QByteArray &text) {
        QDateTime t = QLocale::c().toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
        t.setTimeSpec(Qt::UTC);
        return t;
    };
    const QDateTime modified = parse(lastModified), served = parse(date);
    return !modified.isValid() || !served.isValid() || modified.toSecsSinceEpoch() < served.toSecsSinceEpoch();
}

QString HttpResult::reason() const
{
    if (ok())
        return {};
    if (tooLarge)
        return QStringLiteral("数据过大");
    if (writeFailed)
        return QStringLiteral("无法写入文件: ") + errorText;
    if (timedOut)
        return QStringLiteral("服务器响应超时");
    if (status > 0 && status != 200)
        return QStringLiteral("服务器答复 %1").arg(status);
    if (status == 200)
        return QStringLiteral("数据不完整");
    return QStringLiteral("无法连接服务器");
}

QNetworkAccessManager &Http::manager()
{
    static QNetworkAccessManager *nam = [] {
        auto *m = new QNetworkAccessManager();
        m->setProxyFactory(new SystemProxyFactory);
        return m;
    }();
    return *nam;
}

HttpJob *Http::start(const HttpRequest &request, QObject *context)
{
    auto *job = new HttpJob(request, context);
    job->begin();
    return job;
}

HttpJob::HttpJob(const HttpRequest &request, QObject *context) : QObject(context), m_request(request) {}

HttpJob::~HttpJob()
{
    detachReply();
    if (m_file)
        m_file->cancelWriting();
    delete m_file;
    delete m_partial; // a partial file stays for the next try
}

void HttpJob::begin()
{
    QNetworkRequest request{QUrl(m_request.url)};
    request.setTransferTimeout(Http::scaledTimeout(m_request.readTimeoutMs > 0 ? m_request.readTimeoutMs
                                                                                : HttpRequest::kDefaultReadTimeoutMs));
    if (!m_request.keepAlive)
        request.setRawHeader("Connection", "close");
    if (!m_request.ifNoneMatch.isEmpty())
        request.setRawHeader("If-None-Match", m_request.ifNoneMatch);
    if (!m_request.ifModifiedSince.isEmpty())
        request.setRawHeader("If-Modified-Since", m_request.ifModifiedSince);
    // Qt 6.4 inflates compressed answers at well under 1 MB/s (a 4 MB page took 5 s); plain is 500x faster.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // A redirect is an answer other than 200, never a reason to fetch something else under our name.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (!m_request.partialPath.isEmpty()) {
        const QFileInfo partial(m_request.partialPath);
        m_offset = partial.isFile() ? partial.size() : 0;
        // Without the version the bytes came from, the rest could belong to another file.
        if (m_offset > 0 && !m_request.ifRange.isEmpty()) {
            request.setRawHeader("Range", "bytes=" + QByteArray::number(m_offset) + '-');
            request.setRawHeader("If-Range", m_request.ifRange);
        } else {
            m_offset = 0;
        }
    }
    m_reply = Http::manager().get(request);
    // A file streams to disk: the network is read no further ahead than this, so a large picture never
    // piles up in memory when the disk is slower than the wire.
    // A text answer is bounded the same way: drained a slice per turn of the event loop, a page of tens
    // of megabytes never holds the window while it is copied out at once.
    m_reply->setReadBufferSize(m_request.targetPath.isEmpty() ? kTextReadAhead : kFileReadAhead);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &HttpJob::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpJob::onReadyRead);
    connect(m_reply, &QNetworkReply::downloadProgress, this,
            [this](qint64 received, qint64 total) { emit progress(m_result.resumedFrom + received, total < 0 ? total : m_result.resumedFrom + total); });
    connect(m_reply, &QNetworkReply::finished, this, &HttpJob::onFinished);
    if (m_request.deadlineMs > 0) {
        m_deadline = new QTimer(this);
        m_deadline->setSingleShot(true);
        connect(m_deadline, &QTimer::timeout, this, [this] {
            failWith(&HttpResult::timedOut, QStringLiteral("no whole answer within %1 ms").arg(m_request.deadlineMs));
        });
        m_deadline->start(Http::scaledTimeout(m_request.deadlineMs));
    }
}

void HttpJob::cancel()
{
    m_done = true;
    detachReply();
    if (m_file)
        m_file->cancelWriting();
    deleteLater();
}

void HttpJob::detachReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void HttpJob::failWith(bool HttpResult::*flag, const QString &text)
{
    m_result.*flag = true;
    m_result.errorText = text;
    // Aborting from here would deliver finished inside this call; one turn of the loop later, nothing of
    // the caller's is left on the stack.
    if (m_reply)
        QMetaObject::invokeMethod(m_reply, &QNetworkReply::abort, Qt::QueuedConnection);
}

static int statusOf(const QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? status.toInt() : 0;
}

void HttpJob::onMetaData()
{
    if (!m_request.partialPath.isEmpty()) {
        if (!m_partial && openPartial(statusOf(m_reply)))
            emit partialStarted(m_reply->rawHeader("ETag"), m_reply->rawHeader("Last-Modified"));
        return;
    }
    if (statusOf(m_reply) != 200 || !m_request.targetPath.isEmpty())
        return;
    bool known = false;
    const qint64 promised = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (!known)
        return;
    if (promised > m_request.maxBytes)
        failWith(&HttpResult::tooLarge, QStringLiteral("answer larger than %1 bytes").arg(m_request.maxBytes));
    else if (m_result.body.isEmpty())
        m_result.body.reserve(promised); // grown by appends, a 20 MB page would be copied about 25 times
}

bool HttpJob::openPartial(int status)
{
    if (status != 200 && status != 206)
        return false;
    auto *file = new QFile(m_request.partialPath);
    bool resume = false;
    if (status == 206) {
        // "bytes START-END/TOTAL": the rest must start where the partial file ends.
        const QByteArray range = m_reply->rawHeader("Content-Range");
        const qsizetype dash = range.indexOf('-');
        const qint64 start = dash > 6 ? range.mid(6, dash - 6).trimmed().toLongLong() : -1;
        const qsizetype slash = range.indexOf('/');
        m_total = slash > 0 ? range.mid(slash + 1).trimmed().toLongLong() : -1;
        if (m_offset == 0 || start != m_offset || m_total <= m_offset) {
            delete file;
            failWith(&HttpResult::transportError, QStringLiteral("the server sent another part than asked for"));
            return false;
        }
        resume = true;
    }
    if (!file->open((resume ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate) | QIODevice::Unbuffered)) {
        const QString why = file->errorString();
        delete file;
        failWith(&HttpResult::writeFailed, why);
        return false;
    }
    m_partial = file;
    m_result.resumedFrom = resume ? m_offset : 0;
    return true;
}

void HttpJob::finishPartial(HttpResult &r)
{
    if (r.status == 416 && m_offset > 0) {
        QFile::remove(m_request.partialPath); // the server has no such rest: the next try starts over
        return;
    }
    if (!m_partial && r.status == 200 && !r.transportError)
        openPartial(200); // an empty file is still a file
    if (!m_partial) {
        if (r.writeFailed)
            QFile::remove(m_request.partialPath);
        return;
    }
    const bool flushed = m_partial->flush();
    const qint64 size = m_partial->size();
    m_partial->close();
    if (!flushed && !r.writeFailed) {
        r.writeFailed = true;
        r.errorText = m_partial->errorString();
    }
    delete m_partial;
    m_partial = nullptr;
    if (r.writeFailed) {
        // A disk that takes no more leaves nothing half-written behind.
        r.transportError = true;
        QFile::remove(m_request.partialPath);
        return;
    }
    if (r.transportError)
        return; // cut short: the bytes stay for the next try
    const qint64 total = r.status == 206 ? m_total : m_received;
    if (size != total) {
        r.transportError = true;
        r.errorText = QStringLiteral("answer cut short: %1 of %2 bytes").arg(size).arg(total);
        return;
    }
    // Whole: it takes the target's name in one step, replacing an older file only now.
    if (std::rename(QFile::encodeName(m_request.partialPath).constData(),
                    QFile::encodeName(m_request.targetPath).constData()) != 0) {
        r.writeFailed = true;
        r.transportError = true;
        r.errorText = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(m_request.partialPath);
    }
}

void HttpJob::onReadyRead()
{
    if (m_result.tooLarge || m_result.writeFailed || m_result.timedOut)
        return;
    if (!m_request.partialPath.isEmpty()) {
        if (!m_partial && !openPartial(statusOf(m_reply))) {
            m_reply->skip(m_reply->bytesAvailable());
            return;
        }
        // Through one buffer of our own: no allocation per chunk on the way to the disk.
        if (m_chunk.isEmpty())
            m_chunk.resize(256 * 1024);
        qint64 n = 0;
        while ((n = m_reply->read(m_chunk.data(), m_chunk.size())) > 0) {
            m_received += n;
            if (m_partial->write(m_chunk.constData(), n) != n) {
                failWith(&HttpResult::writeFailed, m_partial->errorString());
                return;
            }
        }
        return;
    }
    const bool wanted = statusOf(m_reply) == 200;
    if (!wanted) {
        m_reply->skip(m_reply->bytesAvailable()); // an error page is not what was asked for
        return;
    }
    if (m_request.targetPath.isEmpty()) {
        if (m_result.body.size() + m_reply->bytesAvailable() > m_request.maxBytes) {
            failWith(&HttpResult::tooLarge, QStringLiteral("answer larger than %1 bytes").arg(m_request.maxBytes));
            return;
        }
        // Straight into the answer's own storage, reserved from the promised length: one copy, no
        // temporary the size of the whole buffer.
        const qsizetype before = m_result.body.size();
        const qint64 available = m_reply->bytesAvailable();
        m_result.body.resize(before + available);
        const qint64 n = m_reply->read(m_result.body.data() + before, available);
        m_result.body.resize(before + qMax<qint64>(n, 0));
        m_received += qMax<qint64>(n, 0);
        return;
    }
    if (!m_file) {
        m_file = new QSaveFile(m_request.targetPath);
        if (!m_file->open(QIODevice::WriteOnly)) {
            failWith(&HttpResult::writeFailed, m_file->errorString());
            return;
        }
    }
    const QByteArray chunk = m_reply->readAll();
    m_received += chunk.size();
    if (m_file->write(chunk) != chunk.size())
        failWith(&HttpResult::writeFailed, m_file->errorString());
}

void HttpJob::onFinished()
{
    if (m_done)
        return;
    m_done = true;
    if (m_deadline)
        m_deadline->stop();
    QNetworkReply *reply = m_reply;
    HttpResult &r = m_result;
    if (reply->isOpen() && reply->bytesAvailable() > 0)
        onReadyRead();
    r.status = statusOf(reply);
    r.etag = reply->rawHeader("ETag");
    r.lastModified = reply->rawHeader("Last-Modified");
    r.date = reply->rawHeader("Date");
    const QNetworkReply::NetworkError err = reply->error();
    if (err == QNetworkReply::OperationCanceledError && !r.tooLarge && !r.writeFailed)
        r.timedOut = true; // the read time-out aborts the reply this way
    // An error status still brings a whole response; anything else is a transport failure.
    const bool answeredWithStatus =
        r.status > 0 && ((err >= QNetworkReply::ContentAccessDenied && err <= QNetworkReply::UnknownContentError) ||
                         (err >= QNetworkReply::InternalServerError && err <= QNetworkReply::UnknownServerError));
    if ((err != QNetworkReply::NoError && !answeredWithStatus) || r.tooLarge || r.writeFailed || r.timedOut)
        r.transportError = true;
    // Qt sometimes reports a connection closed mid-answer as a normal end: the promised length decides.
    bool known = false;
    const qint64 promised = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && !r.transportError && (r.status == 200 || r.status == 206) && m_received != promised) {
        r.transportError = true;
        r.errorText = QStringLiteral("answer cut short: %1 of %2 bytes").arg(m_received).arg(promised);
    }
    if (r.status == 0)
        r.transportError = true;
    if (r.transportError && r.errorText.isEmpty())
        r.errorText = reply->errorString();
    detachReply();

    if (!m_request.partialPath.isEmpty()) {
        finishPartial(r);
    } else if (!m_request.targetPath.isEmpty()) {
        if (r.ok()) {
            if (!m_file) { // an empty picture is still a file
                m_file = new QSaveFile(m_request.targetPath);
                if (!m_file->open(QIODevice::WriteOnly))
                    r.writeFailed = true;
            }
            // Flushed first: the last buffered bytes cut short by the disk fail only there.
            if (!r.writeFailed && (!m_file->flush() || !m_file->commit()))
                r.writeFailed = true;
            if (r.writeFailed) {
                r.transportError = true;
                r.errorText = m_file->errorString();
            }
        } else if (m_file) {
            m_file->cancelWriting();
        }
        delete m_file;
        m_file = nullptr;
    }
    const QPointer<HttpJob> self(this);
    emit finished(r);
    if (self)
        deleteLater();
}

} // namespace kestrin
