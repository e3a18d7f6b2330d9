#include "server/http.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>
#include <memory>

namespace kestrin {

namespace {

int g_busy = 0;

struct BusyScope
{
    BusyScope() { ++g_busy; }
    ~BusyScope() { --g_busy; }
};

std::unique_ptr<QNetworkReply> startGet(const QString &url, int timeoutMs)
{
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(timeoutMs > 0 ? timeoutMs : Http::kDefaultTimeoutMs);
    request.setRawHeader("Connection", "close");
    // Qt 6.4 inflates compressed answers at well under 1 MB/s (a 4 MB page took 5 s); plain is 500x faster.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    return std::unique_ptr<QNetworkReply>(Http::manager().get(request));
}

void finish(QNetworkReply &reply, HttpResult &result, qint64 received)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.status = status.isValid() ? status.toInt() : 0;
    const QNetworkReply::NetworkError err = reply.error();
    if (err == QNetworkReply::OperationCanceledError && !result.tooLarge && !result.writeFailed)
        result.timedOut = true;
    // An error status still brings a whole response; anything else is a transport failure.
    const bool answeredWithStatus =
        result.status > 0 && ((err >= QNetworkReply::ContentAccessDenied && err <= QNetworkReply::UnknownContentError) ||
                              (err >= QNetworkReply::InternalServerError && err <= QNetworkReply::UnknownServerError));
    if (err != QNetworkReply::NoError && !answeredWithStatus)
        result.transportError = true;
    if (result.tooLarge || result.writeFailed)
        result.transportError = true;
    // Qt sometimes reports a connection closed mid-answer as a normal end: the promised length decides.
    bool known = false;
    const qint64 promised = reply.header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && err == QNetworkReply::NoError && result.status == 200 && received != promised) {
        result.transportError = true;
        result.errorText = QStringLiteral("answer cut short: %1 of %2 bytes").arg(received).arg(promised);
    }
    if (result.transportError && result.errorText.isEmpty())
        result.errorText = reply.errorString();
    if (result.status == 0)
        result.transportError = true;
}

void wait(QNetworkReply &reply, bool allowInput)
{
    if (reply.isFinished())
        return;
    QEventLoop loop;
    QObject::connect(&reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec(allowInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

} // namespace

QNetworkAccessManager &Http::manager()
{
    static QNetworkAccessManager *nam = [] {
        auto *m = new QNetworkAccessManager();
        m->setProxy(QNetworkProxy::NoProxy);
        return m;
    }();
    return *nam;
}

bool Http::busy() { return g_busy > 0; }

HttpResult Http::get(const QString &url, int timeoutMs, qint64 maxBytes)
{
    BusyScope busy;
    HttpResult result;
    std::unique_ptr<QNetworkReply> reply = startGet(url, timeoutMs);
    QNetworkReply *r = reply.get();
    QObject::connect(r, &QNetworkReply::readyRead, r, [r, &result, maxBytes] {
        if (result.tooLarge)
            return;
        if (result.body.size() + r->bytesAvailable() > maxBytes) {
            result.tooLarge = true;
            result.errorText = QStringLiteral("answer larger than %1 bytes").arg(maxBytes);
            r->abort();
            return;
        }
        result.body.append(r->readAll());
    });
    wait(*r, false);
    if (!result.tooLarge)
        result.body.append(r->readAll());
    finish(*r, result, result.body.size());
    return result;
}

HttpResult Http::download(const QString &url, const QString &path, int timeoutMs, const Progress &progress,
                          bool allowInput)
{
    BusyScope busy;
    HttpResult result;
    QSaveFile file(path);
    std::unique_ptr<QNetworkReply> reply = startGet(url, timeoutMs);
    QNetworkReply *r = reply.get();
    bool opened = false;
    qint64 written = 0;
    auto drain = [r, &file, &opened, &result, &written] {
        if (result.writeFailed)
            return;
        const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid() || status.toInt() != 200) {
            r->readAll(); // an error page is not the picture
            return;
        }
        if (!opened) {
            opened = file.open(QIODevice::WriteOnly);
            if (!opened) {
                result.writeFailed = true;
                result.errorText = file.errorString();
                r->abort();
                return;
            }
        }
        const QByteArray chunk = r->readAll();
        written += chunk.size();
        if (file.write(chunk) != chunk.size()) {
            result.writeFailed = true;
            result.errorText = file.errorString();
            r->abort();
        }
    };
    QObject::connect(r, &QNetworkReply::readyRead, r, drain);
    if (progress)
        QObject::connect(r, &QNetworkReply::downloadProgress, r, progress);
    wait(*r, allowInput);
    drain();
    finish(*r, result, written);
    if (result.ok()) {
        if (!opened) // an empty picture is still a file
            opened = file.open(QIODevice::WriteOnly);
        if (!opened || !file.commit()) {
            result.writeFailed = true;
            result.transportError = true;
            result.errorText = file.errorString();
        }
    } else {
        file.cancelWriting();
    }
    return result;
}

} // namespace kestrin
