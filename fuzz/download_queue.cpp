// queue.json as found on disk at start, whatever it holds: the queue takes back what it can, plans
// every download inside the save folder, keeps the list through a save, and removes only its parts.
// Input: the file's bytes, as is.
#include "fuzz_support.h"

#include "core/catalogue/catalogue.h"
#include "core/download/download_names.h"
#include "core/download/download_queue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

using namespace kestrin;

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
}

bool inFolder(const QString &path, const QString &folder)
{
    return QFileInfo(QDir::cleanPath(path)).path() == QDir::cleanPath(folder);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString dir = fuzz::scratchDir();
    const QString save = dir + QStringLiteral("/save");
    const QString stored = dir + QStringLiteral("/queue.json");
    const QString again = dir + QStringLiteral("/queue-again.json");
    const QString outside = dir + QStringLiteral("/outside.txt");
    QDir().mkpath(save);
    write(stored, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    write(outside, "not a part");
    QFile::remove(again);

    Catalogue cat;
    cat.reset({{"caption", "folder", ".jpg"}});
    bool chineseNames = false;
    const auto settings = [&] { return QueueSettings{save, chineseNames, false}; };

    QList<QueueEntry> taken;
    {
        DownloadQueue queue(cat, settings);
        queue.restoreFrom(stored);
        taken = queue.model().entries();
        QSet<quint64> ids;
        for (int row = 0; row < taken.size(); ++row) {
            const QueueEntry &e = taken[row];
            FUZZ_CHECK(!e.fileName.isEmpty() && e.partialPath.isEmpty());
            FUZZ_CHECK(e.state != QueueEntry::State::Running && !ids.contains(e.id));
            ids.insert(e.id);
            for (const int role : {int(Qt::DisplayRole), int(Qt::ToolTipRole), int(DownloadQueueModel::StateRole),
                                   int(DownloadQueueModel::ReasonRole)})
                queue.model().data(queue.model().index(row), role);
            // Where it would be written and gathered, named either way: always in the save folder.
            for (const bool chinese : {false, true}) {
                DownloadRequest request;
                request.urlBase = cat.baseUrl() + QString::fromLatin1(e.folder.toPercentEncoding("/")) + u'/';
                request.fileName = e.fileName;
                request.chineseName = e.chineseName;
                request.extension = e.extension;
                request.savePath = save;
                request.localName = chinese ? LocalName::FileAndChineseName : LocalName::FileName;
                const std::optional<DownloadPlan> plan = planDownload(request);
                if (!plan)
                    continue;
                FUZZ_CHECK(inFolder(plan->targetPath, save));
                const QString part = trimSavePath(save) + u'/' + partialFileName(QFileInfo(plan->targetPath).fileName());
                FUZZ_CHECK(inFolder(part, save) && isPartialFileName(QFileInfo(part).fileName()));
                // Its part, if any, is what removing the entry may delete.
                if (row % 2 == 0)
                    write(part, "partial bytes");
            }
        }

        // The list through a save: a second queue given the same entries keeps them in its own file.
        DownloadQueue copy(cat, settings);
        copy.restoreFrom(again);
        for (const QueueEntry &e : taken)
            copy.enqueue(e);
    } // both go: the copy writes its list on the way
    DownloadQueue back(cat, settings);
    back.restoreFrom(again);
    const QList<QueueEntry> &kept = back.model().entries();
    FUZZ_CHECK(kept.size() == taken.size());
    for (qsizetype i = 0; i < kept.size(); ++i) {
        FUZZ_CHECK(kept[i].fileName == taken[i].fileName && kept[i].chineseName == taken[i].chineseName);
        FUZZ_CHECK(kept[i].category == taken[i].category && kept[i].folder == taken[i].folder);
        FUZZ_CHECK(kept[i].extension == taken[i].extension && kept[i].ifRange == taken[i].ifRange);
    }

    // Removing every entry, named either way, deletes parts in the save folder and nothing else.
    chineseNames = size % 2;
    while (back.model().rowCount() > 0)
        back.remove(back.model().rowCount() - 1);
    FUZZ_CHECK(QFile::exists(outside) && QFile::exists(stored));
    for (const QString &left : QDir(save).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(save + u'/' + left);
    return 0;
}
