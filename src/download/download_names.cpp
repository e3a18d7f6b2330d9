#include "download/download_names.h"

#include "catalogue/gbk.h"
#include "catalogue/records.h"


namespace kestrin {

QString localFileName(QByteArrayView gbkName)
{
    QString name = gbk::decode(gbkName);
    for (QChar &ch : name) {
        if (ch == u'/' || ch == u'\\' || ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            ch = u'_';
    }
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    return name;
}

QString trimSavePath(const QString &savePath)
{
    if (savePath.endsWith(u'\\') || savePath.endsWith(u'/'))
        return savePath.chopped(1);
    return savePath;
}

std::optional<DownloadPlan> planDownload(const QString &urlBase, QByteArrayView nameSpec, const QString &savePath,
                                         bool useChineseName)
{
    const QList<QByteArray> fields = SplitString(nameSpec.toByteArray().trimmed(), "|");
    DownloadPlan plan;
    plan.fileName = fields.value(0);
    plan.chineseName = fields.size() > 2 ? fields.value(1) : QByteArray();
    // The whole last field: cutting it to four characters would make ".jpeg" into "jpeg".
    plan.extension = fields.size() > 1 ? fields.last() : QByteArray();

    const QString fileLocal = localFileName(plan.fileName + plan.extension);
    if (plan.fileName.isEmpty() || fileLocal.isEmpty())
        return std::nullopt;
    QString targetLocal = fileLocal;
    if (useChineseName) {
        const QString chinese = localFileName(plan.chineseName + plan.extension);
        if (!plan.chineseName.isEmpty() && !chinese.isEmpty())
            targetLocal = chinese;
    }
    // The server's names are GBK bytes: they go into the address byte for byte, percent-encoded.
    plan.url = urlBase + QString::fromLatin1((plan.fileName + plan.extension).toPercentEncoding());
    plan.cacheName = fileLocal;
    plan.targetPath = trimSavePath(savePath) + u'/' + targetLocal;
    return plan;
}

} // namespace kestrin
