// A category page as the server sends it, loaded twice into a catalogue and shown in the latest lists.
// Input: the page body, as is.
#include "fuzz_support.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/latest_list_model.h"
#include "core/catalogue/latest_rows.h"
#include "core/catalogue/page_file.h"
#include "core/catalogue/records.h"

using namespace kestrin;

namespace {

// Line i of body (CR, LF or CR LF end a line), and whether it exists at all.
bool lineOf(QByteArrayView body, int i, QByteArrayView *line)
{
    qsizetype pos = 0;
    for (int n = 0;; ++n) {
        if (pos >= body.size() && n > 0)
            return false;
        qsizetype end = pos;
        while (end < body.size() && body[end] != '\r' && body[end] != '\n')
            ++end;
        if (n == i) {
            *line = body.sliced(pos, end - pos);
            return true;
        }
        pos = end + (body.sliced(end).startsWith("\r\n") ? 2 : 1);
    }
}

void checkRecord(QByteArrayView text)
{
    const PictureRecord r = PictureRecord::parse(text);
    const qsizetype tab = text.indexOf('\t');
    FUZZ_CHECK(r.caption == (tab < 0 || gbk::indexOf(text.sliced(tab + 1), "|") < 0));
    if (r.caption)
        return;
    FUZZ_CHECK(r.id == text.first(tab));
    // The fields are the text after the TAB in order, each ended by a bar on a character start.
    const QByteArrayView rest = text.sliced(tab + 1);
    FUZZ_CHECK(rest.startsWith(r.fileName) && gbk::indexOf(r.fileName, "|") < 0);
    FUZZ_CHECK(rest.sliced(r.fileName.size()).startsWith('|'));
    FUZZ_CHECK(r.chineseName.data() == rest.data() + r.fileName.size() + 1);
    FUZZ_CHECK(!r.withdrawn() || r.time == "-1");
    const int id = r.idNumber();
    FUZZ_CHECK(id >= -1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    PageFile page;
    const bool ok = parsePageFile(body, page);
    QByteArrayView line0, line1;
    lineOf(body, 0, &line0);
    const bool twoLines = !body.isEmpty() && lineOf(body, 1, &line1);
    FUZZ_CHECK(ok == twoLines);
    if (!ok)
        return 0;
    FUZZ_CHECK(page.items.toOwnedList().join(',') == line0);
    FUZZ_CHECK(page.items.size() == line0.count(',') + 1);
    FUZZ_CHECK(page.latest.join(',') == line1);
    for (qsizetype i = 0; i < page.items.size() && i < 4096; ++i)
        checkRecord(page.items[i]);

    Catalogue cat;
    cat.reset({{"caption", "folder", ".jpg"}, {"other", "folder2", ".png"}});
    const qsizetype count = page.items.size();
    applyPage(cat, 0, page);
    FUZZ_CHECK(cat.items(0).size() == count && cat.latest(0) == page.latest);
    FUZZ_CHECK(cat.categories[0].taken->size() == count && cat.categories[0].ticked->size() == count);
    FUZZ_CHECK(cat.items(1).isEmpty() && !cat.categories[1].taken);

    // Marks survive a reload and never grow with ids from the page: every latest entry taken.
    for (const QByteArray &e : page.latest) {
        bool number = false;
        const int v = parseSignedInt(e, &number);
        if (number)
            cat.markTaken(0, v < 0 ? -qsizetype(v) : qsizetype(v));
    }
    QList<bool> taken;
    for (qsizetype i = 0; i < count; ++i)
        taken.append(cat.isTaken(0, i));
    PageFile again;
    FUZZ_CHECK(parsePageFile(body + "\n", again)); // one more line break changes nothing read
    FUZZ_CHECK(again.items.toOwnedList() == page.items.toOwnedList() && again.latest == page.latest);
    applyPage(cat, 0, again);
    FUZZ_CHECK(cat.categories[0].taken->size() == count);
    for (qsizetype i = 0; i < count; ++i)
        FUZZ_CHECK(cat.isTaken(0, i) == taken[i]);

    // The latest lists: at most kLatestListFill rows on top, the newest first, one list row per usable entry.
    cat.current = 0;
    const LatestRows rows = latestRows(cat, page.latest, false);
    FUZZ_CHECK(rows.top.size() <= kLatestListFill);
    FUZZ_CHECK(rows.top.size() == std::min<qsizetype>(rows.main.size(), kLatestListFill));
    for (qsizetype i = 0; i < rows.top.size(); ++i) {
        FUZZ_CHECK(rows.top[i].fileName == rows.main[i].fileName && rows.top[i].time == rows.main[i].time);
        FUZZ_CHECK(rows.top[i].isMarked() == (rows.top[i].mark == markText()));
    }
    for (const LatestRow &row : rows.main)
        FUZZ_CHECK(!row.fileName.contains(',') && !row.time.contains('\n'));

    // Personal zone: only picked names, in selection order.
    for (qsizetype i = 0; i < count && i < 8; ++i)
        cat.categories[0].selection.append(recordFileName(cat.items(0)[i]).toByteArray());
    const LatestRows picked = latestRows(cat, page.latest, true);
    FUZZ_CHECK(picked.top.size() <= kLatestListFill);
    for (const LatestRow &row : picked.main)
        FUZZ_CHECK(cat.categories[0].selection.contains(row.fileName));

    // What the views ask of the rows: every cell of the first rows, decoded.
    LatestListModel model(&latestRowTone);
    model.setRows(rows.top);
    FUZZ_CHECK(model.rowCount() == rows.top.size());
    for (int r = 0; r < model.rowCount() && r < 8; ++r)
        for (int c = 0; c < model.columnCount(); ++c) {
            model.data(model.index(r, c), Qt::DisplayRole);
            model.data(model.index(r, c), LatestListModel::ToneRole);
        }
    return 0;
}
