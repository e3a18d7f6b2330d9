#pragma once
#include "core/catalogue/mark_list.h"
#include "core/catalogue/record_list.h"
#include "core/server/server_table.h"

#include <QByteArray>
#include <QList>
#include <optional>
#include <vector>

namespace kestrin {

// One entry of the configuration's category line, split into its fields once.
struct CategoryEntry
{
    QByteArray caption;   // button and tab caption
    QByteArray folder;    // the pictures' folder on the server
    QByteArray extension; // the pictures' file-name extension, as the server gives it
};

// Which version of a category's page the records held are: where they came from, the validators that
// server gave, and the change file's batch and serial read with them. A server's validators alone do not
// decide (an upload may keep the file's time, a share's clock may lag); batch and serial must agree too.
struct HeldPage
{
    QString url;
    QByteArray etag;
    QByteArray lastModified;
    QByteArray batch;
    QByteArray serial;
};

// What the client holds of one category. A list that is absent (std::nullopt) belongs to a category not
// yet loaded successfully and reads as empty.
struct Category
{
    CategoryEntry entry;
    std::optional<RecordList> items;          // picture records; record i has id i
    std::optional<QList<QByteArray>> latest;  // latest-upload entries, optionally signed record indexes
    std::optional<MarkList> taken;            // "√" once queued, downloaded or handled in the dialog
    std::optional<MarkList> ticked;           // ticks of the selection editor
    QList<QByteArray> selection;              // the personal zone's picked file names
    qint32 serial = 0;                        // change serial of the last load or merge
    QByteArray updateTime;                    // time text of the category's last update
    std::optional<QByteArray> changeList; // the change list that led to serial, as the server wrote it (entries split when merged)
    bool failed = false;                      // the last load failed: what is held is not the server's
    std::optional<HeldPage> held;             // set while the records are exactly as a page load left them
};

// The in-memory copy of the library, sized when the configuration arrives.
struct Catalogue
{
    std::vector<Category> categories;
    int current = 0; // the category every view and the poll work on
    ServerTable servers = ServerTable::builtIn();
    int serverIndex = 0;     // the server every request goes to
    QByteArray changeBatch;  // batch of the most recent load of any category

    // One category per entry, every list absent, each selection empty.
    void reset(const QList<CategoryEntry> &entries);
    int count() const { return int(categories.size()); }
    bool isValid(int c) const { return c >= 0 && c < count(); }

    // The base address every request starts with, read at the moment the request is formed.
    QString baseUrl() const { return servers.url(serverIndex); }
    // Where category c's pictures are fetched from: base address, folder, "/".
    QString pictureFolderUrl(int c) const;

    const RecordList &items(int c) const;
    QList<QByteArray> latest(int c) const;
    QList<QByteArray> changes(int c) const;
    bool isTaken(int c, qsizetype id) const;
    // Marks record id of category c "√". Ids beyond the category's records are not marked: a record
    // that claims id 2147483647 must not grow the marks to 2^31 entries.
    void markTaken(int c, qsizetype id);

    // File name of record index of the current category (a caption row: its whole text after the TAB).
    QByteArray itemName(qsizetype index) const;
    // Index of the first record of the current category whose file name is name; -1 if none.
    qsizetype findItemByName(QByteArrayView name) const;
    // The records of category c whose file names are listed in names, in that order (blank names
    // skipped). nullopt when a name matches no record: the callers must react to that.
    std::optional<RecordList> buildSelectRecords(int c, const QList<QByteArray> &names) const;
};

// Field 0 of a record's text after the TAB (the whole text for a caption row).
QByteArrayView recordFileName(QByteArrayView record);

} // namespace kestrin
