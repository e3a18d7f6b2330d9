// The local names server text becomes: a picture's file and Chinese name and its category's extension.
// Input: one flag byte, then file name, NUL, Chinese name, NUL, extension.
#include "fuzz_support.h"

#include "core/catalogue/records.h"
#include "core/download/download_names.h"

#include <QDir>
#include <QFileInfo>

using namespace kestrin;

namespace {

const QString kFolders[] = {QStringLiteral("/srv/save dir"), QStringLiteral("/srv/save dir/"), QStringLiteral("/")};

// A name a folder can hold, that stays in the folder and is not hidden.
void checkLocalName(const QString &name)
{
    if (name.isEmpty())
        return;
    FUZZ_CHECK(name != QLatin1String(".") && name != QLatin1String(".."));
    FUZZ_CHECK(!name.startsWith(u'.'));
    FUZZ_CHECK(name.toUtf8().size() <= kMaxLocalNameBytes);
    for (const QChar ch : name)
        FUZZ_CHECK(ch != u'/' && ch != u'\\' && ch.unicode() >= 0x20 && ch.unicode() != 0x7F);
}

void checkInFolder(const QString &path, const QString &folder, const QString &name)
{
    const QString base = QDir::cleanPath(folder);
    const QString clean = QDir::cleanPath(path);
    FUZZ_CHECK(QFileInfo(clean).fileName() == name);
    FUZZ_CHECK(QFileInfo(clean).path() == base);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uchar flags = data[0];
    const QList<QByteArray> fields = fuzz::parts(fuzz::bytesOf(data + 1, size - 1), 3);
    const QString &folder = kFolders[flags % std::size(kFolders)];

    for (const QByteArray &field : fields) {
        checkLocalName(localFileName(field));
        checkLocalName(localFileName(field, fields[2]));
    }
    const QString fileLocal = localFileName(trimmedBlanks(fields[0]), trimmedBlanks(fields[2]));
    checkLocalName(fileLocal);
    // A name with room to spare keeps its extension whole.
    const QString ext = localFileName(trimmedBlanks(fields[2]));
    if (!fileLocal.isEmpty() && !ext.isEmpty() && !trimmedBlanks(fields[2]).startsWith('.') && ext.toUtf8().size() < 64)
        FUZZ_CHECK(fileLocal.endsWith(ext));

    for (const LocalName mode : {LocalName::FileName, LocalName::ChineseName, LocalName::FileAndChineseName}) {
        DownloadRequest request;
        request.urlBase = QStringLiteral("http://127.0.0.1:16990/pics/");
        request.fileName = fields[0];
        request.chineseName = fields[1];
        request.extension = fields[2];
        request.savePath = folder;
        request.localName = mode;
        const std::optional<DownloadPlan> plan = planDownload(request);
        FUZZ_CHECK(plan.has_value() == (!trimmedBlanks(fields[0]).isEmpty() && !fileLocal.isEmpty()));
        if (!plan)
            continue;
        FUZZ_CHECK(plan->cacheName == fileLocal);
        const QString name = QFileInfo(plan->targetPath).fileName();
        checkLocalName(name);
        FUZZ_CHECK(!name.isEmpty());
        checkInFolder(plan->targetPath, folder, name);
        // The address carries the bytes percent-encoded: printable ASCII only, after the base.
        FUZZ_CHECK(plan->url.startsWith(request.urlBase));
        for (const QChar ch : plan->url)
            FUZZ_CHECK(ch.unicode() > 0x20 && ch.unicode() < 0x7F);
        // Its hidden part lies beside it and is recognised as a part, and only the part is.
        const QString part = partialFileName(name);
        FUZZ_CHECK(isPartialFileName(part) && part.startsWith(u'.') && !part.contains(u'/'));
        FUZZ_CHECK(part.toUtf8().size() <= 255);
        checkInFolder(trimSavePath(folder) + u'/' + part, folder, part);
        FUZZ_CHECK(!isPartialFileName(name));
    }
    return 0;
}
