#pragma once
#include "catalogue/mark_list.h"
#include "catalogue/record_list.h"
#include "server/server_table.h"

#include <QByteArray>
#include <QList>
#include <optional>
#include <vector>

namespace kestrin {

// The in-memory copy of the library: one slot per category, sized when the configuration arrives.
// A list that is absent (std::nullopt) belongs to a category not yet loaded successfully and reads as
// empty.
struct Catalogue
{
    QList<QByteArray> CateList;
    int CurCate = 0;
    ServerTable ServerUrls = ServerTable::builtIn();
    int ServerIndex = 0;
    QByteArray ChangeBatch;

    std::vector<std::optional<RecordList>> CateItems;
    std::vector<std::optional<QList<QByteArray>>> CateLatest;
    std::vector<std::optional<MarkList>> CateStatus;
    std::vector<std::optional<MarkList>> CateSelMarks;
    std::vector<QList<QByteArray>> CateSelect;
    std::vector<qint32> CateSerials;
    std::vector<QByteArray> CateUpdateTimes;
    std::vector<std::optional<QList<QByteArray>>> CateChanges;
    std::vector<QByteArray> CateFolders;
    std::vector<QByteArray> CateExts;

    // The base address every request starts with, read at the moment the request is formed.
    QString baseUrl() const { return ServerUrls.url(ServerIndex); }
    // Sets every per-category array to count elements: texts empty, serials 0, lists absent, each
    // selection an empty list.
    void size(int count);
    int count() const { return int(CateList.size()); }
    bool validCategory(int c) const { return c >= 0 && c < count(); }

    const RecordList &items(int c) const;
    QList<QByteArray> latest(int c) const;
    QList<QByteArray> changes(int c) const;
    bool isMarked(int c, qsizetype id) const;
    void setMark(int c, qsizetype id); // marks "√", creating the list if the category has none yet

    // File name of record index of the current category (a caption row: its whole text after the TAB).
    QByteArray GetItemName(qsizetype index) const;
    // Index of the first record of the current category whose file name is name; -1 if none.
    qsizetype FindItemByName(QByteArrayView name) const;
    // The records of category whose file names are listed in names, in that order (blank names skipped).
    // nullopt when a name matches no record: the callers must react to that.
    std::optional<RecordList> BuildSelectRecords(int category, const QList<QByteArray> &names) const;
};

// Field 0 of a record's text after the TAB (the whole text for a caption row).
QByteArrayView recordFileName(QByteArrayView record);

} // namespace kestrin
