#include "core/download/download_names.h"

#include <QCryptographicHash>

#include <algorithm>

#include "core/catalogue/catalogue.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/records.h"

namespace kestrin {

namespace {

QString sanitised(QByteArrayView gbkText)
{
    QString name = gbk::decode(gbkText);
    for (QChar &ch : name) {
        if (ch == u'/' || ch == u'\\' || ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            ch = u'_';
    }
    return name;
}

// The longest start of text that fits in budget bytes of UTF-8, never splitting a surrogate pair.
QString fitted(const QString &text, qsizetype budget)
{
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const char16_t u = text[end].unicode();
        const bool pair = QChar::isHighSurrogate(u) && end + 1 < text.size();
        const qsizetype width = pair ? 2 : 1;
        const qsizetype more = pair ? 4 : u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
        if (bytes + more > budget)
            break;
        bytes += more;
        end += width;
    }
    return text.left(end);
}

} // namespace

QString localFileName(QByteArrayView gbkName, QByteArrayView gbkExtension)
{
    const QString base = sanitised(gbkName);
    const QString ext = fitted(sanitised(gbkExtension), kMaxLocalNameBytes);
    QString name = fitted(base, kMaxLocalNameBytes - ext.toUtf8().size()) + ext;
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    // A leading dot would hide the picture from the folder view and from file managers.
    for (qsizetype i = 0; i < name.size() && name[i] == u'.'; ++i)
        name[i] = u'_';
    return name;
}

QString trimSavePath(const QString &savePath)
{
    if (savePath.endsWith(u'\\') || savePath.endsWith(u'/'))
        return savePath.chopped(1);
    return savePath;
}

DownloadRequest pictureRequest(const Catalogue &cat, int c, QByteArrayView fileName, QByteArrayView chineseName,
                               QByteArrayView time, const QString &savePath, LocalName localName)
{
    DownloadRequest r;
    r.urlBase = cat.pictureFolderUrl(c);
    r.fileName = fileName.toByteArray();
    r.chineseName = chineseName.toByteArray();
    r.time = time.toByteArray();
    r.extension = cat.isValid(c) ? cat.categories[size_t(c)].entry.extension : QByteArray();
    r.savePath = savePath;
    r.localName = localName;
    return r;
}

std::optional<DownloadPlan> planDownload(const DownloadRequest &request)
{
    const QByteArrayView file = trimmedBlanks(request.fileName);
    const QByteArrayView chinese = trimmedBlanks(request.chineseName);
    const QByteArrayView ext = trimmedBlanks(request.extension);
    const QString fileLocal = localFileName(file, ext);
    if (file.isEmpty() || fileLocal.isEmpty())
        return std::nullopt;
    QString targetLocal = fileLocal;
    if (request.localName == LocalName::ChineseName && !chinese.isEmpty()) {
        const QString local = localFileName(chinese, ext);
        if (!local.isEmpty())
            targetLocal = local;
    } else if (request.localName == LocalName::FileAndChineseName) {
        QByteArray joined = file.toByteArray() + chinese.toByteArray();
        joined.replace(' ', QByteArray());
        const QString local = localFileName(joined, ext);
        if (!local.isEmpty())
            targetLocal = local;
    }
    DownloadPlan plan;
    // The server's names are GBK bytes: they go into the address byte for byte, percent-encoded.
    plan.url = request.urlBase + QString::fromLatin1((file.toByteArray() + ext.toByteArray()).toPercentEncoding());
    plan.cacheName = fileLocal;
    plan.targetPath = trimSavePath(request.savePath) + u'/' + targetLocal;
    return plan;
}

namespace {
constexpr QLatin1String kPartPrefix(".kestrin-");
constexpr QLatin1String kPartSuffix(".part");
constexpr qsizetype kPartDigits = 20;
} // namespace

QString partialFileName(const QString &targetFileName)
{
    const QByteArray digest =
        QCryptographicHash::hash(targetFileName.toUtf8(), QCryptographicHash::Sha1).toHex().left(kPartDigits);
    return QString(kPartPrefix) + QString::fromLatin1(digest) + kPartSuffix;
}

bool isPartialFileName(const QString &name)
{
    if (name.size() != kPartPrefix.size() + kPartDigits + kPartSuffix.size() || !name.startsWith(kPartPrefix) ||
        !name.endsWith(kPartSuffix))
        return false;
    const QStringView digest = QStringView(name).mid(kPartPrefix.size(), kPartDigits);
    return std::all_of(digest.begin(), digest.end(),
                       [](QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); });
}

} // namespace kestrin
