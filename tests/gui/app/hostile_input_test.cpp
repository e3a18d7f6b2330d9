// Answers too big for any real library: the window keeps answering clicks while they are read, merged
// and shown, and the memory they passed through is given back.
#include "event_loop_watchdog.h"
#include "window_harness.h"

#include <QFile>
#include <cstdio>
#include <gtest/gtest.h>

namespace kestrin::test {
namespace {

// Resident memory of this process in MB.
double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / (1024.0 * 1024.0) : 0;
}

// A page of count records "k\tP<k>|图<k>|2026-12-01" whose record number `fat` (if any) carries a
// file name of fatBytes bytes.
QByteArray pageBytes(int count, int fat = -1, qsizetype fatBytes = 0, bool fatCaption = false)
{
    QByteArray page;
    page.reserve(qsizetype(count) * 24 + fatBytes + 64);
    const QByteArray tu = g("图");
    for (int k = 0; k < count; ++k) {
        if (k)
            page += ',';
        page += QByteArray::number(k) + '\t';
        if (k == fat) {
            page += QByteArray(fatBytes, 'x');
            if (fatCaption)
                continue;
        } else {
            page += 'P' + QByteArray::number(k);
        }
        page += '|' + tu + QByteArray::number(k % 100) + "|2026-12-01";
    }
    page += "\r\n1,2,3\r\n";
    return page;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QString error;
    if (!library::writeFileAtomically(path, bytes, &error))
        throw std::runtime_error(error.toStdString());
}

// The next change list of category 0: serial + 1, entries as given.
void publishChanges(WindowHarness &h, const QByteArray &changes)
{
    library::CategoryFiles files;
    QString error;
    ASSERT_TRUE(library::readCategory(h.lib.root(), 0, &files, &error));
    library::ChangeFile change = files.change;
    change.serial += 1;
    change.changes = changes;
    change.time = "2026-12-07 10:00";
    ASSERT_TRUE(library::writeChangeFile(h.lib.root(), 0, change, &error));
}

// ids 1..distinct, again and again, up to just under the 1 MB a change file may have.
QByteArray changeList(int distinct, int step = 1)
{
    QByteArray changes;
    for (int k = 0; changes.size() < (1 << 20) - 200; k = (k + 1) % distinct)
        changes += QByteArray::number((k + 1) * step) + ',';
    changes.chop(1);
    return changes;
}

TEST(HostileInput, HugeAnswersNeverHoldTheWindowAndGiveTheirMemoryBack)
{
    WindowHarness h;
    MainWindow &w = h.start();
    w.session().pollTimer().stop(); // the test polls when a list is in place
    EventLoopWatchdog watch;
    const qint64 limit = EventLoopWatchdog::limitMs();
    const auto loadPage = [&](const QByteArray &page) {
        writeBytes(library::pagePath(h.lib.root(), 0), page);
        watch.reset(); // writing the file is the server's part
        h.reload();
        h.settle();
        QTest::qWait(100); // shown
    };

    struct Shown { const char *what; int count; int fat; qsizetype fatBytes; bool caption; };
    const Shown pages[] = {
        {"a record of 5 MB", 2000, 7, 5 << 20, false},
        {"a caption of 3 MB", 2000, 0, 3 << 20, true},
        {"a page of 2,000,000 records (42 MB)", 2000000, -1, 0, false},
    };
    for (const Shown &c : pages) {
        SCOPED_TRACE(c.what);
        const QByteArray page = pageBytes(c.count, c.fat, c.fatBytes, c.caption);
        loadPage(page);
        std::printf("%s: loop held at most %lld ms\n", c.what, watch.longestHold());
        EXPECT_LT(watch.longestHold(), limit);
        ASSERT_EQ(w.catalogue().items(0).size(), c.count);
    }

    // The same 2,000,000 records again: the copy they replace is handed back.
    QTest::qWait(LibrarySession::kMemoryReleaseDelayMs + 500); // handed back once things are quiet
    const double held = residentMb();
    loadPage(pageBytes(2000000));
    EXPECT_LT(residentMb(), held + 20);

    struct Merged { const char *what; QByteArray changes; bool keepsRows; };
    const Merged lists[] = {
        // Half a million entries naming nine pictures: what passes through is freed, what stays is nine rows.
        {"a 1 MB change list of 500,000 entries", changeList(9), false},
        {"a 1 MB change list of 150,000 pictures", changeList(1000000, 3), true},
    };
    for (const Merged &c : lists) {
        SCOPED_TRACE(c.what);
        const double before = residentMb();
        publishChanges(h, c.changes);
        watch.reset();
        h.poll();
        QTest::qWait(100); // shown
        EXPECT_EQ(panelText(w, WindowStatusBar::UpdatePanel).left(8), QStringLiteral("图库已重新发布："));
        // Once things are quiet the memory is handed back, with the window still answering.
        QTest::qWait(LibrarySession::kMemoryReleaseDelayMs + 500);
        std::printf("%s: loop held at most %lld ms\n", c.what, watch.longestHold());
        EXPECT_LT(watch.longestHold(), limit);
        if (!c.keepsRows)
            EXPECT_LT(residentMb(), before + 20);
        std::printf("%s: resident %.0f -> %.0f MB\n", c.what, before, residentMb());
    }
    // Every picture the long list named was rewritten, in the grid too, and the file list holds a row for each.
    EXPECT_TRUE(w.catalogue().items(0).at(300000).endsWith("2026-12-07 10:00"));
    const PictureGridModel *grid = w.galleryPage()->pictureGrid()->gridModel();
    EXPECT_EQ(grid->cell(300000 % 4, 300000 / 4), w.catalogue().items(0).at(300000));
    EXPECT_GE(w.session().fileList().rowCount(), 150000);
}

} // namespace
} // namespace kestrin::test
