// A change file against a loaded page: the poll's decision, then the merge into the records and both
// latest lists, checked against a plain re-enactment of the merge on plain lists.
// Input: one flag byte, the page body, NUL, the change file.
#include "fuzz_support.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/change_merge.h"
#include "core/catalogue/change_poll.h"
#include "core/catalogue/latest_list_model.h"
#include "core/catalogue/latest_rows.h"
#include "core/catalogue/page_file.h"
#include "core/catalogue/records.h"
#include "core/download/file_list.h"

#include <QSet>
#include <algorithm>

using namespace kestrin;

namespace {

enum Flag : uchar {
    PersonalZone = 1,
    AutoQueue = 2,
    InStep = 4,        // the catalogue holds the serial before the file's and the same batch
    MergeAlways = 8,   // merge whatever the poll decides, as a later, matching change file would
    OrderedFiles = 16, // the file list sorted by a column (bits 5-6), as the file page keeps it
    Sliced = 128,      // merged a few entries at a time, as a long list is
};

// What the poll should decide, row by row as documented.
PollAction expectedAction(const Catalogue &cat, const QList<QByteArray> &lines)
{
    if (lines.size() < 3)
        return PollAction::Nothing;
    bool ok = false;
    const qint64 s = parseSignedInt(lines[1], &ok);
    if (!ok)
        return PollAction::Nothing;
    const qint64 k = cat.categories[0].serial;
    const bool same = lines[0] == cat.changeBatch;
    if (s == k)
        return PollAction::Nothing;
    if (same && s == k + 1) {
        if (trimmedBlanks(lines.value(3)).size() < 2)
            return PollAction::Nothing;
        for (const QByteArray &e : splitString(lines.value(3), ",")) {
            const int v = parseSignedInt(trimmedBlanks(e), &ok);
            if (ok && std::abs(qint64(v)) >= cat.items(0).size())
                return PollAction::Reload;
        }
        return PollAction::Merge;
    }
    return same && s < k ? PollAction::Nothing : PollAction::Reload;
}

// A list of rows kept the obvious way.
struct PlainList
{
    LatestListModel::Order order;
    QList<LatestRow> rows;

    void removeFirstWithTag(const QByteArray &tag)
    {
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const LatestRow &r) { return r.tag == tag; });
        if (it != rows.end())
            rows.erase(it);
    }
    void insertTop(const LatestRow &row)
    {
        qsizetype at = 0;
        if (order)
            while (at < rows.size() && order(rows[at], row))
                ++at;
        rows.insert(at, row);
    }
    void trimTo(qsizetype n)
    {
        if (rows.size() > n)
            rows.resize(n);
    }
};

bool sameRows(const QList<LatestRow> &a, const QList<LatestRow> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const LatestRow &x, const LatestRow &y) {
        return x.fileName == y.fileName && x.chineseName == y.chineseName && x.time == y.time && x.mark == y.mark &&
               x.tag == y.tag;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uchar flags = data[0];
    const QList<QByteArray> input = fuzz::parts(fuzz::bytesOf(data + 1, size - 1), 2);
    PageFile page;
    if (!parsePageFile(input[0], page))
        page.items = RecordList::split(input[0], ',');

    Catalogue cat;
    cat.reset({{"caption", "folder", ".jpg"}});
    applyPage(cat, 0, page);
    Category &category = cat.categories[0];
    const qsizetype count = cat.items(0).size();
    for (qsizetype i = 0; i < count; i += 3) // some pictures taken already, some picked
        cat.markTaken(0, i);
    for (qsizetype i = 0; i < count && category.selection.size() < 64; i += 2)
        category.selection.append(recordFileName(cat.items(0)[i]).toByteArray());

    // The poll: the file against what the last load stored.
    const QList<QByteArray> lines = splitLines(input[1], 4);
    bool number = false;
    const int fileSerial = parseSignedInt(lines.value(1), &number);
    cat.changeBatch = flags & InStep ? lines.value(0) : QByteArray("batch");
    category.serial = flags & InStep && number && fileSerial > INT_MIN ? fileSerial - 1 : 7;
    const PollAction action = decidePoll(cat, 0, lines);
    FUZZ_CHECK(action == expectedAction(cat, lines));
    if (action != PollAction::Merge && !(flags & MergeAlways))
        return 0;
    category.serial += 1;
    category.changeList = lines.value(3);
    category.updateTime = lines.value(2);
    const QList<QByteArray> entries = splitString(lines.value(3), ",");
    FUZZ_CHECK(cat.changes(0) == entries); // kept as the line, the same entries

    // The lists as a load fills them.
    const LatestRows rows = latestRows(cat, cat.latest(0), flags & PersonalZone);
    LatestListModel latest(&latestRowTone), files(&fileRowTone);
    PlainList plainLatest, plainFiles;
    if (flags & OrderedFiles) {
        const int column = (flags >> 5) & 3;
        const auto order = [column](const LatestRow &a, const LatestRow &b) { return fileRowBefore(a, b, column); };
        files.setOrder(order);
        plainFiles.order = order;
    }
    latest.setRows(rows.top);
    files.setRows(rows.main);
    plainLatest.rows = rows.top;
    plainFiles.rows = rows.main;
    if (plainFiles.order)
        std::stable_sort(plainFiles.rows.begin(), plainFiles.rows.end(), plainFiles.order);
    const qsizetype latestBefore = latest.rowCount();
    FUZZ_CHECK(latestBefore <= kLatestListFill);

    const RecordList before = cat.items(0);
    QList<bool> takenBefore;
    for (qsizetype i = 0; i < count; ++i)
        takenBefore.append(cat.isTaken(0, i));
    MergeTargets targets;
    targets.latest = &latest;
    targets.files = &files;
    QList<qsizetype> rewritten;
    targets.rewritten = [&](qsizetype index, const QByteArray &record) {
        FUZZ_CHECK(cat.items(0)[index] == record);
        rewritten.append(index);
    };
    const MergeSettings settings{bool(flags & PersonalZone), bool(flags & AutoQueue)};
    QList<Announcement> announced;
    if (flags & Sliced) {
        // Spread over many steps, the merge must end as the merge done at once (checked below).
        ChangeMerge merge(cat, 0, lines.value(3), targets, settings); // cut from the line as it goes
        const qsizetype slice = 1 + entries.size() % 5;
        while (!merge.step(slice)) {
        }
        announced = merge.takeAnnouncements();
        FUZZ_CHECK(merge.announcedCount() == announced.size()); // all kept when no limit is set
    } else {
        announced = applyChanges(cat, 0, entries, targets, settings);
    }

    // The records: as many as before; those no entry names byte for byte the same.
    const RecordList &after = cat.items(0);
    FUZZ_CHECK(after.size() == count);
    QSet<qsizetype> named;
    for (const QByteArray &e : entries) {
        const int v = parseSignedInt(trimmedBlanks(e), &number);
        if (number)
            named.insert(std::abs(qint64(v)));
    }
    for (qsizetype i = 0; i < count; ++i)
        if (!named.contains(i))
            FUZZ_CHECK(after[i] == before[i]);
    // The latest list: never more than a fill leaves, and after an announcement at most kLatestListKeep.
    FUZZ_CHECK(latest.rowCount() <= kLatestListFill);
    FUZZ_CHECK(announced.isEmpty() || latest.rowCount() <= kLatestListKeep);

    // The same merge, step by step on plain lists.
    QList<QByteArray> items = before.toOwnedList();
    QSet<qsizetype> queued;
    QList<Announcement> expected;
    QList<qsizetype> expectedRewritten;
    const QSet<QByteArray> picks(category.selection.cbegin(), category.selection.cend());
    // The plain lists cost a pass per entry: compared only while that stays small.
    const bool compareLists = qint64(entries.size()) * (plainFiles.rows.size() + entries.size()) < 4'000'000;
    bool newestOnTop = false;
    for (const QByteArray &raw : entries) {
        const QByteArrayView entry = trimmedBlanks(raw);
        const int v = parseSignedInt(entry, &number);
        const qsizetype index = std::abs(qint64(v));
        if (entry.isEmpty() || !number || index >= count)
            continue;
        const PictureRecord old = PictureRecord::parse(items[index]);
        if (old.caption)
            continue;
        items[index] = old.id.toByteArray() + '\t' + old.fileName.toByteArray() + '|' + old.chineseName.toByteArray() +
                       '|' + (v < 1 ? QByteArray("-1") : category.updateTime);
        expectedRewritten.append(index);
        QByteArray key = entry.toByteArray();
        key.replace('-', QByteArray()).replace('+', QByteArray());
        // An entry whose key is the id the newest announcement carries takes that row out again.
        newestOnTop = newestOnTop && !(key == expected.last().row.tag);
        if (compareLists) {
            plainLatest.removeFirstWithTag(key);
            plainFiles.removeFirstWithTag(key);
        }
        if (entry.startsWith('-'))
            continue;
        const PictureRecord now = PictureRecord::parse(items[index]);
        if (!settings.personalZone || picks.contains(now.fileName.toByteArray())) {
            if (settings.autoQueue)
                queued.insert(index);
            const bool taken = takenBefore[index] || queued.contains(index);
            Announcement a;
            a.index = index;
            a.queued = settings.autoQueue;
            a.row = {now.fileName.toByteArray(), now.chineseName.toByteArray(), now.time.toByteArray(),
                     taken ? markText() : QByteArray(), now.id.toByteArray()};
            if (compareLists) {
                plainLatest.insertTop(a.row);
                plainFiles.insertTop(a.row);
            }
            expected.append(a);
            newestOnTop = true;
        }
        if (compareLists)
            plainLatest.trimTo(kLatestListKeep);
    }
    FUZZ_CHECK(after.toOwnedList() == items);
    FUZZ_CHECK(rewritten == expectedRewritten);
    FUZZ_CHECK(announced.size() == expected.size());
    for (qsizetype i = 0; i < announced.size(); ++i) {
        FUZZ_CHECK(announced[i].index == expected[i].index && announced[i].queued == expected[i].queued);
        FUZZ_CHECK(sameRows({announced[i].row}, {expected[i].row}));
    }
    if (newestOnTop) // the newest announcement stands first
        FUZZ_CHECK(sameRows({latest.row(0)}, {announced.last().row}));
    for (qsizetype i = 0; i < count; ++i)
        FUZZ_CHECK(cat.isTaken(0, i) == (takenBefore[i] || queued.contains(i)));
    if (compareLists) {
        FUZZ_CHECK(sameRows(latest.rows(), plainLatest.rows));
        FUZZ_CHECK(sameRows(files.rows(), plainFiles.rows));
    }
    return 0;
}
