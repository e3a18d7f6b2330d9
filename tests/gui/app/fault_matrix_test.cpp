// Every fault the library server can play, in every phase of a run, on the real window: the program
// goes on (its event loop is never held), the user is told in the program's words, no file is kept
// under its final name unless whole and right, nothing half-written is left where none may be, and
// once the fault is gone the same action succeeds. What the user saw in each cell is written out as a
// table (KESTRIN_FAULT_MATRIX names the file; stdout otherwise).
#include "core/download/download_names.h"
#include "core/download/download_queue.h"
#include "core/server/http.h"
#include "gui/app/loading_popup.h"
#include "event_loop_watchdog.h"
#include "window_harness.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QTest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

// Every time-out is a twentieth of the program's: config 150 ms, pages and change files 1.5 s, the
// dialog 1.5 s, the queue 0.75 s. The faults that still succeed stay well within them. A server that
// hangs costs a whole time-out for each of the six: there, a fiftieth.
constexpr double kTimeoutScale = 0.05;
constexpr double kHangTimeoutScale = 0.02;

// The longest the event loop was held while the actions of a cell ran (between them the test checks
// files and is not the program).
class Watchdog
{
public:
    template <typename F>
    void watch(F action, bool fromFirstTick = false)
    {
        m_dog.reset(fromFirstTick);
        action();
        QTest::qWait(20); // a tick after the action's last step
        m_worst = qMax(m_worst, m_dog.longestHold());
    }
    qint64 worst() const { return m_worst; }

private:
    EventLoopWatchdog m_dog;
    qint64 m_worst = 0;
};

struct Fault
{
    const char *name;
    QString action;  // what the server does, after the path pattern
    bool succeeds;   // slow, but within the time-outs
    QString reason;  // how the program words the failure
    double timeoutScale = kTimeoutScale;
};

const QString kErrorPage = QStringLiteral("/kq/error.htm");
const QByteArray kErrorBody = "<html><head><title>Error</title></head><body><h1>404 页面不存在</h1></body></html>\n";

const Fault kFaults[] = {
    {"hang", "hang", false, "服务器响应超时", kHangTimeoutScale},
    {"drop", "drop", false, "数据不完整"},
    {"truncate", "truncate=10", false, "数据不完整"},
    {"404", "status=404", false, "服务器答复 404"},
    {"500", "status=500", false, "服务器答复 500"},
    {"redirect", "status=302 location=" + kErrorPage, false, "服务器答复 302"},
    {"drip", "drip=15", true, {}},
    {"delay", "delay=40", true, {}},
};

// Every file under dir, hidden ones too, by path relative to dir.
QStringList filesUnder(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(dir).relativeFilePath(it.next());
    out.sort();
    return out;
}

QStringList added(const QStringList &before, const QStringList &after)
{
    QStringList out;
    for (const QString &f : after)
        if (!before.contains(f))
            out << f;
    return out;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QString updateText(MainWindow &w) { return panelText(w, WindowStatusBar::UpdatePanel); }

// One cell: the harness, its files before the action, and what the user saw.
struct Cell : WindowHarness
{
    // Few pictures: a library is written file by file, each flushed to disk.
    static constexpr int kPictures = 14;
    explicit Cell(const Fault &f) : WindowHarness({2, kPictures, 1}), fault(f)
    {
        writeFile(lib.root() + kErrorPage, kErrorBody);
    }
    ~Cell()
    {
        // The connections kept for polls closed first: a server stopping waits for open ones.
        window.reset();
        Http::manager().clearConnectionCache();
        QCoreApplication::processEvents();
    }
    const Fault &fault;
    QStringList before;
    QString seen;

    void faultOn(const QString &glob) { setFaults({glob + u' ' + fault.action}); }
    void clearFault() { lib.server().clearFaults(); }
    MainWindow &startQuietly()
    {
        MainWindow &w = start();
        w.pollTimer().stop(); // the matrix polls when it means to
        before = filesUnder(home.path());
        return w;
    }
    QStringList newFiles() const { return added(before, filesUnder(home.path())); }
    QString relative(const QString &path) const { return QDir(home.path()).relativeFilePath(path); }
    QByteArray servedPicture(int category, const QByteArray &file) const
    {
        const CategoryEntry &e = window->catalogue().categories[size_t(category)].entry;
        return library::picturePath(lib.root(), {{}, e.folder, e.extension}, file);
    }
    QString savedPicture(const QByteArray &file) const
    {
        return desktop() + u'/' + QString::fromLatin1(file) + gbk::decode(window->catalogue().categories[0].entry.extension);
    }
};

// Start-up: the configuration from every server in turn.
void configPhase(Cell &c, Watchdog &dog)
{
    c.faultOn("/kq/config.xml");
    c.before = filesUnder(c.home.path());
    dog.watch([&] { c.start(); }, true);
    if (c.fault.succeeds) {
        EXPECT_TRUE(c.started);
        EXPECT_TRUE(c.prompts.shown.isEmpty()) << c.prompts.shown.join('\n').toStdString();
        EXPECT_TRUE(updateText(*c.window).startsWith("最后更新: "));
        c.seen = updateText(*c.window);
    } else {
        EXPECT_FALSE(c.started);
        EXPECT_FALSE(c.window->isVisible());
        EXPECT_EQ(c.prompts.shown, QStringList{"message: 无法连接Kestrin服务器,请与管理员联系!"});
        EXPECT_EQ(c.life.requests, 1);
        c.seen = c.prompts.shown.join(" / ");
    }
    EXPECT_EQ(c.newFiles(), QStringList());
    c.window->close();

    // The next run of the program, the server well again.
    c.clearFault();
    c.life = RecordingLifecycle();
    c.prompts.shown.clear();
    dog.watch([&] { c.start(); }, true);
    EXPECT_TRUE(c.started);
    EXPECT_TRUE(c.prompts.shown.isEmpty());
    EXPECT_EQ(c.window->catalogue().items(0).size(), Cell::kPictures);
}

// A category load: its page file.
void pagePhase(Cell &c, Watchdog &dog)
{
    MainWindow &w = c.startQuietly();
    const PictureGridModel *grid = w.galleryPage()->pictureGrid()->gridModel();
    c.faultOn("/kq/Page1.dat");
    dog.watch([&] { c.showCategory(1); });
    c.seen = updateText(w);
    EXPECT_FALSE(w.loadingPopup()->isVisible());
    if (c.fault.succeeds) {
        EXPECT_TRUE(c.seen.startsWith("最后更新: "));
        EXPECT_EQ(grid->recordCount(), Cell::kPictures);
    } else {
        EXPECT_EQ(c.seen, "载入失败: " + c.fault.reason);
        EXPECT_EQ(grid->recordCount(), 0);
    }
    EXPECT_TRUE(c.prompts.shown.isEmpty());
    EXPECT_EQ(c.newFiles(), QStringList());

    c.clearFault();
    dog.watch([&] {
        c.showCategory(0);
        c.showCategory(1);
    });
    EXPECT_TRUE(updateText(w).startsWith("最后更新: "));
    EXPECT_EQ(grid->recordCount(), Cell::kPictures);
}

// A poll: the change files of every server in turn, while a new picture waits to be announced.
void changesPhase(Cell &c, Watchdog &dog)
{
    MainWindow &w = c.startQuietly();
    const QByteArray name = fileNameAt(w, 12); // a change list of one character says nothing
    publish(c, 0, name, "2026-12-07 11:00");
    const auto announced = [&] {
        return c.sound.plays == 1 && w.galleryPage()->latestList()->listModel()->row(0).fileName == name &&
               updateText(w) == "最后更新: 2026-12-07 11:00";
    };
    c.faultOn("/kq/Changer*.dat");
    dog.watch([&] { c.poll(); });
    c.seen = updateText(w);
    if (c.fault.succeeds) {
        EXPECT_TRUE(announced()) << c.seen.toStdString();
    } else {
        EXPECT_EQ(c.seen, "所有服务器均无法连接,稍后自动重试");
        EXPECT_EQ(c.sound.plays, 0);
    }
    EXPECT_TRUE(c.prompts.shown.isEmpty());
    EXPECT_EQ(c.life.requests, 0);
    EXPECT_EQ(c.newFiles(), QStringList());

    c.clearFault();
    dog.watch([&] { c.poll(); });
    EXPECT_TRUE(announced()) << updateText(w).toStdString();
}

// "保存" in the download dialog of a picture clicked in the grid.
void dialogPhase(Cell &c, Watchdog &dog)
{
    c.onDialog = [](DownloadDialog &d) { d.saveButton()->click(); };
    MainWindow &w = c.startQuietly();
    const QByteArray file = fileNameAt(w, 2);
    const QString target = c.savedPicture(file);
    const QByteArray served = readBytes(c.servedPicture(0, file));
    const auto save = [&] {
        clickCell(w.galleryPage()->pictureGrid(), 2);
        EXPECT_TRUE(c.waitDialogClosed());
    };
    c.faultOn("/kq/pic*");
    dog.watch(save);
    if (c.fault.succeeds) {
        EXPECT_TRUE(c.prompts.shown.isEmpty()) << c.prompts.shown.join('\n').toStdString();
        EXPECT_EQ(readAll(target), served);
        EXPECT_EQ(c.newFiles(), QStringList{c.relative(target)});
        c.seen = QStringLiteral("saved: ") + QFileInfo(target).fileName();
        c.prompts.answers = {true}; // "要替换它吗?" when it is done again
    } else {
        EXPECT_EQ(c.prompts.shown, QStringList{"message: 下载失败：" + c.fault.reason});
        EXPECT_EQ(c.newFiles(), QStringList());
        c.seen = c.prompts.shown.join(" / ");
    }
    EXPECT_TRUE(w.catalogue().isTaken(0, 2));

    c.clearFault();
    c.prompts.shown.clear();
    dog.watch(save);
    EXPECT_EQ(readAll(target), served);
    EXPECT_EQ(c.newFiles(), QStringList{c.relative(target)});
}

// A picture clicked in the file page's list goes through the download queue.
void queuePhase(Cell &c, Watchdog &dog)
{
    MainWindow &w = c.startQuietly();
    w.pages()->setCurrentIndex(1);
    w.downloads().setRetryPause(20);
    PictureList *list = w.filePage()->fileList();
    const int row = pictureRows(list->listModel()).value(0, -1);
    ASSERT_GE(row, 0);
    const QByteArray file = list->listModel()->row(row).fileName;
    const QString target = c.savedPicture(file);
    const QString part = c.desktop() + u'/' + partialFileName(QFileInfo(target).fileName());
    const QByteArray served = readBytes(c.servedPicture(0, file));
    const DownloadQueueModel &queue = w.downloads().model();
    const QString store = c.relative(c.appData() + "/queue.json");
    const auto settled = [&] {
        // The list is kept a moment after it changed.
        return waitUntil([&] { return !w.downloads().isBusy() && !w.queueTimer().isActive() &&
                                      QFileInfo::exists(c.appData() + "/queue.json"); }, 20000);
    };
    c.faultOn("/kq/pic*");
    dog.watch([&] {
        clickRow(list, row);
        EXPECT_TRUE(settled());
    });
    EXPECT_EQ(panelText(w, WindowStatusBar::DownloadPanel), "正在下载文件: <空>");
    if (c.fault.succeeds) {
        EXPECT_EQ(queue.rowCount(), 0);
        EXPECT_EQ(readAll(target), served);
        EXPECT_EQ(c.newFiles(), sorted({store, c.relative(target)}));
        c.seen = QStringLiteral("saved: ") + QFileInfo(target).fileName();
    } else {
        ASSERT_EQ(queue.rowCount(), 1);
        c.seen = queue.index(0).data().toString();
        EXPECT_TRUE(c.seen.endsWith("（失败：" + c.fault.reason + "）")) << c.seen.toStdString();
        // Cut short, the bytes so far stay hidden to be continued; nothing else is kept.
        QStringList kept{store};
        if (QFileInfo::exists(part)) {
            EXPECT_EQ(readAll(part), served.left(QFileInfo(part).size()));
            EXPECT_GT(QFileInfo(part).size(), 0);
            kept << c.relative(part);
        }
        EXPECT_EQ(c.newFiles(), sorted(kept));
        // The list on disk follows within its 50 ms.
        const auto listedAsFailed = [&] {
            const QJsonArray listed = QJsonDocument::fromJson(readAll(c.appData() + "/queue.json")).object()["queue"].toArray();
            return listed.size() == 1 && listed[0].toObject()["failed"].toBool();
        };
        EXPECT_TRUE(waitUntil(listedAsFailed, 2000));
    }
    EXPECT_TRUE(c.prompts.shown.isEmpty());

    // Again: a double click on the failed entry, or a second click on the picture.
    c.clearFault();
    c.lib.server().clearLog();
    const bool resumes = QFileInfo(part).size() > 0;
    dog.watch([&] {
        if (queue.rowCount() > 0)
            w.downloads().retry(0);
        else
            clickRow(list, row);
        EXPECT_TRUE(settled());
    });
    EXPECT_EQ(queue.rowCount(), 0);
    EXPECT_EQ(readAll(target), served);
    EXPECT_FALSE(QFileInfo::exists(part));
    EXPECT_EQ(c.newFiles(), sorted({store, c.relative(target)}));
    if (resumes) {
        EXPECT_EQ(c.lib.server().log().filter(QStringLiteral(" 206 ")).size(), 1) << c.lib.server().log().join('\n').toStdString();
    }
}

struct Phase
{
    const char *name;
    void (*run)(Cell &, Watchdog &);
};

const Phase kPhases[] = {
    {"remote config at start", configPhase}, {"page file (category load)", pagePhase},
    {"change files (poll)", changesPhase},   {"download dialog (save)", dialogPhase},
    {"queued download", queuePhase},
};

void writeTable(const QList<QStringList> &rows, const QString &title)
{
    QString text = title + "\n\n| fault |";
    for (const Phase &p : kPhases)
        text += QStringLiteral(" %1 |").arg(QLatin1String(p.name));
    text += "\n|---|";
    for (size_t i = 0; i < std::size(kPhases); ++i)
        text += "---|";
    text += '\n';
    for (const QStringList &row : rows)
        text += "| " + row.join(" | ") + " |\n";
    const QString path = qEnvironmentVariable("KESTRIN_FAULT_MATRIX");
    if (!path.isEmpty() && writeFile(path, text.toUtf8()))
        std::printf("fault matrix written to %s\n", qPrintable(path));
    else
        std::printf("%s", text.toUtf8().constData());
}

} // namespace

TEST(FaultMatrix, EveryFaultInEveryPhaseLeavesTheProgramGoingTellsTheUserAndRecovers)
{
    QElapsedTimer clock;
    clock.start();
    QList<QStringList> table;
    for (const Fault &f : kFaults) {
        QStringList row{QLatin1String(f.name) + " (`" + f.action + "`)"};
        Http::setTimeoutScale(f.timeoutScale);
        for (const Phase &p : kPhases) {
            SCOPED_TRACE(std::string(p.name) + " × " + f.name);
            QElapsedTimer cellClock;
            cellClock.start();
            Watchdog dog;
            {
                Cell c(f);
                p.run(c, dog);
                row << QStringLiteral("%1 (loop held ≤ %2 ms, %3 s)")
                           .arg(c.seen.toHtmlEscaped().replace('\n', ' '))
                           .arg(dog.worst())
                           .arg(cellClock.elapsed() / 1000.0, 0, 'f', 1);
            }
            EXPECT_LT(dog.worst(), EventLoopWatchdog::limitMs());
        }
        table << row;
    }
    Http::setTimeoutScale(1);
    writeTable(table, QStringLiteral("Fault × phase → what the user sees (then recovered; whole run %1 s)")
                          .arg(clock.elapsed() / 1000.0, 0, 'f', 1));
}
