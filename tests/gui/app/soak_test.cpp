// A model-based soak: a seeded random publisher and a random user drive the real window and its session
// against the library server. After every quiet period the program must hold what the server holds;
// every picture a poll could notice on the category being watched is announced once (in the personal
// zone: the picks), nothing else is announced, and every announced picture is in the save folder,
// byte for byte, once.
//   KESTRIN_SOAK_SEED=S KESTRIN_SOAK_STEPS=N soak_tests     (scripts/soak --seed S --steps N)
#include "core/catalogue/records.h"
#include "gui/download/file_page.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/page_bar.h"
#include "gui/personal/login_dialog.h"
#include "gui/server/server_bar.h"
#include "library_files.h"
#include "window_harness.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <functional>

using namespace kestrin;
using namespace kestrin::test;

namespace {

constexpr int kCategories = 3;
constexpr int kPictures = 260; // more than one page of 240, so there are page buttons to click

// One publication of a picture: what the program's records show once it has it.
struct Version
{
    int category = -1;
    QByteArray file;
    QByteArray time; // unique per publication
    int seq = 0;
    QString key() const { return QStringLiteral("%1|%2|%3").arg(category).arg(QString::fromLatin1(file), QString::fromLatin1(time)); }
};

// A version the program has had its chance to notice: it must be announced, unless a later event on
// the same picture replaced it, a restart came first, or the zone, open meanwhile, leaves it out.
struct Owed
{
    Version version;
    bool zoneMayFilter = false;
};

class Soak
{
public:
    Soak(quint32 seed, int steps) : h({kCategories, kPictures, seed}), rng(seed), seed(seed), steps(steps) {}

    void run()
    {
        const QDateTime anHourAgo = QDateTime::currentDateTime().addSecs(-3600);
        setPageTimes(QList<QDateTime>(kCategories, anHourAgo)); // published a while before the user came
        start();
        for (step = 1; step <= steps && failures.isEmpty(); ++step) {
            publishSomething();
            actAsUser();
            quietPeriod();
            check();
            if (qEnvironmentVariableIsSet("KESTRIN_SOAK_VERBOSE"))
                std::printf("step %d: %s; category %d, zone %d, %d announced\n", step, qPrintable(action), current(),
                            int(s().zone().state), int(announced.size()));
        }
    }

    qsizetype pagesNotModified() { return h.lib.server().log().filter(QRegularExpression("^GET /kq/Page\\d+\\.dat 304")).size(); }

    QStringList failures;
    int publications = 0;
    int announcements = 0;
    int restarts = 0;

private:
    WindowHarness h;
    QRandomGenerator rng;
    quint32 seed;
    int steps;
    int step = 0;
    int seq = 0;
    QHash<QString, Version> published;          // key → version
    QHash<QString, int> newest;                 // "category|file" → seq of its newest event
    QSet<QString> announced;                    // keys announced so far
    QList<Owed> owed;
    QList<QList<Version>> unseen{kCategories};  // published, not yet noticed nor taken in by a quiet load
    QString action;

    MainWindow &w() { return *h.window; }
    LibrarySession &s() { return h.window->session(); }
    int current() { return s().catalogue().current; }

    void fail(const QString &what)
    {
        failures << QStringLiteral("seed %1, step %2 (%3): %4").arg(seed).arg(step).arg(action, what);
    }

    void start()
    {
        h.prompts.answers = std::deque<bool>(100000, true);
        h.onLogin = [](LoginDialog &d) {
            d.nameEdit()->setText(QStringLiteral("soak"));
            d.passwordEdit()->setText(QStringLiteral("pw"));
            d.codeEdit()->setText(QStringLiteral("4321"));
            d.okButton()->click();
        };
        h.start();
        w().pollTimer().stop(); // the soak polls when it means to
        w().filePage()->autoQueueBox()->setChecked(true);
        QObject::connect(&s(), &LibrarySession::picturesAnnounced, &s(),
                         [this](int category, const QStringList &names) { onAnnounced(category, names); });
        QObject::connect(&s(), &LibrarySession::categoryLoaded, &s(), [this](int category, bool ok, LoadCause) {
            // A load takes in what was published before it; with a baseline waiting it announces it.
            if (!ok)
                return;
            if (s().isWaitingToAnnounce(category))
                for (const Version &v : unseen[category])
                    owed.append({v, false});
            unseen[category].clear();
            noteZone(); // the waiting announcements follow at once, with the zone as it is
        });
    }

    void onAnnounced(int category, const QStringList &names)
    {
        const Catalogue &cat = s().catalogue();
        for (const QString &name : names) {
            ++announcements;
            const QByteArray file = name.section(QStringLiteral("  "), 0, 0).toLatin1();
            const qsizetype index = cat.findItemByName(file);
            if (category != cat.current || index < 0) {
                fail(QStringLiteral("announced %1, which the category shown does not hold").arg(name));
                continue;
            }
            const Version v{category, file, PictureRecord::parse(cat.items(category).at(index)).time.toByteArray()};
            if (!published.contains(v.key()))
                fail(QStringLiteral("announced %1 (%2), which was never published").arg(name, v.key()));
            else if (announced.contains(v.key()))
                fail(QStringLiteral("announced %1 (%2) twice").arg(name, v.key()));
            if (s().zone().active() && !cat.categories[size_t(category)].selection.contains(file))
                fail(QStringLiteral("announced %1 in the zone, but it is not picked").arg(name));
            announced.insert(v.key());
        }
    }

    // ---- the publisher ----

    // As long as the times the library starts with: an update then keeps the page's size.
    QByteArray timeText() { return "2026-12-07 S" + QByteArray::number(++seq).rightJustified(4, '0'); }

    void record(const Version &v)
    {
        published.insert(v.key(), v);
        newest.insert(QStringLiteral("%1|%2").arg(v.category).arg(QString::fromLatin1(v.file)), v.seq);
        unseen[v.category].append(v);
        ++publications;
    }

    library::CategoryFiles serverFiles(int category)
    {
        library::CategoryFiles files;
        QString error;
        if (!library::readCategory(h.lib.root(), category, &files, &error))
            fail(QStringLiteral("cannot read the served category: ") + error);
        return files;
    }

    // A picture of the category at index 10 or beyond (a change list of one digit is by design not
    // merged, so the soak leaves records 0 to 9 alone).
    QByteArray someFile(int category, QByteArray *chineseName = nullptr)
    {
        const library::CategoryFiles files = serverFiles(category);
        for (int tries = 0; tries < 20; ++tries) {
            const PictureRecord r = PictureRecord::parse(files.records.at(10 + int(rng.bounded(int(files.records.size()) - 10))));
            if (!r.caption) {
                if (chineseName)
                    *chineseName = r.chineseName.toByteArray();
                return r.fileName.toByteArray();
            }
        }
        return {};
    }

    void publish(int category, const QByteArray &file, const QByteArray &name)
    {
        const QByteArray time = timeText();
        QString error;
        if (!library::publishPicture(h.lib.root(), category, file, name, time, &error))
            fail(QStringLiteral("publish: ") + error);
        record({category, file, time, seq});
    }

    void publishNew(int category) { publish(category, "N" + QByteArray::number(seq + 1), g("新图")); }

    void update(int category)
    {
        QByteArray name;
        const QByteArray file = someFile(category, &name);
        if (!file.isEmpty())
            publish(category, file, name); // the same name: a merge keeps names
    }

    void withdraw(int category)
    {
        const QByteArray file = someFile(category);
        QString error;
        if (file.isEmpty() || !library::withdrawPicture(h.lib.root(), category, file, &error))
            return;
        newest.insert(QStringLiteral("%1|%2").arg(category).arg(QString::fromLatin1(file)), ++seq);
    }

    QString pagePath(int category) const { return h.lib.root() + QStringLiteral("/kq/Page%1.dat").arg(category); }

    QList<QDateTime> pageTimes() const
    {
        QList<QDateTime> times;
        for (int c = 0; c < kCategories; ++c)
            times << QFileInfo(pagePath(c)).lastModified();
        return times;
    }

    void setPageTimes(const QList<QDateTime> &times)
    {
        for (int c = 0; c < kCategories; ++c) {
            QFile f(pagePath(c));
            if (!f.open(QIODevice::ReadWrite) || !f.setFileTime(times[c], QFileDevice::FileModificationTime))
                fail(QStringLiteral("cannot set the time of ") + pagePath(c));
        }
    }

    void publishSomething()
    {
        h.settle(); // the publisher writes between loads, never under one
        // Some uploads keep the files' times: a page's validators then stay as they were though it changed.
        const QList<QDateTime> times = pageTimes();
        const bool keepTimes = rng.bounded(2) == 0;
        publishWhatever();
        if (keepTimes)
            setPageTimes(times);
    }

    void publishWhatever()
    {
        const int c = current();
        switch (rng.bounded(10)) {
        case 0: case 1: publishNew(c); break;
        case 2: case 3: update(c); break;
        case 4: withdraw(c); break;
        case 5: // a burst inside one poll interval
            for (int i = 0, n = 2 + int(rng.bounded(3)); i < n; ++i)
                rng.bounded(2) ? publishNew(c) : update(c);
            break;
        case 6: {
            QString error;
            library::newBatch(h.lib.root(), &error);
            publishNew(c);
            break;
        }
        case 7: publishNew((c + 1 + int(rng.bounded(kCategories - 1))) % kCategories); break;
        default: break;
        }
    }

    // ---- the user ----

    void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center()); }

    void clickPageEntry(const QString &caption)
    {
        PageBar *bar = w().galleryPage()->pageBar();
        const int count = int(bar->entries().size());
        const int any = count > 0 ? int(rng.bounded(count)) : -1;
        for (int i = 0; i < count; ++i)
            if (caption.isEmpty() ? i == any : bar->entries()[i].caption == caption) {
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->entryRect(i).center());
                return;
            }
    }

    void switchCategory()
    {
        const int to = (current() + 1 + int(rng.bounded(kCategories - 1))) % kCategories;
        if (rng.bounded(2)) {
            action += QStringLiteral(" category button %1").arg(to);
            click(w().galleryPage()->categoryBar()->buttons().at(to));
        } else {
            action += QStringLiteral(" file page tab %1").arg(to);
            w().filePage()->categoryTabs()->setCurrentIndex(to);
        }
    }

    void refresh()
    {
        action += QStringLiteral(" 立即刷新");
        if (rng.bounded(3))
            w().refreshLimitTimer().stop(); // its 15 seconds are over; otherwise the limit speaks
        click(rng.bounded(2) ? w().galleryPage()->refreshButton() : w().filePage()->refreshButton());
    }

    void zone()
    {
        action += s().zone().active() ? QStringLiteral(" zone out") : QStringLiteral(" zone in");
        click(w().galleryPage()->categoryBar()->zoneButton());
        h.settle();
        if (s().zone().state == PersonalZone::State::Editing) {
            // Picks: a few of the category's pictures, some of them those the publisher will touch.
            const RecordList &items = s().catalogue().items(current());
            for (int i = 0, n = 1 + int(rng.bounded(30)); i < n && items.size() > 10; ++i)
                s().toggleTick(10 + int(rng.bounded(int(items.size()) - 10)));
            action += QStringLiteral(" picks submitted");
            clickPageEntry(QStringLiteral("提交修改"));
        }
    }

    void search()
    {
        const QByteArray file = someFile(current());
        action += QStringLiteral(" search %1").arg(QString::fromLatin1(file));
        w().galleryPage()->searchEdit()->setText(QString::fromLatin1(file));
        click(w().galleryPage()->searchButton());
    }

    void restart()
    {
        action += QStringLiteral(" restart");
        ++restarts;
        w().close();
        h.window.reset();
        owed.clear(); // what the program did not get to announce before it ended is not owed by the next run
        for (QList<Version> &u : unseen)
            u.clear();
        start();
    }

    void pollNow()
    {
        const int c = current();
        if (s().loader().isLoading() || s().catalogue().categories[size_t(c)].failed)
            return;
        w().session().poller().poll();
        waitUntil([this] { return !s().poller().isPolling(); }, 30000);
        for (const Version &v : unseen[c])
            owed.append({v, false});
        unseen[c].clear();
        noteZone(); // a merge announces now, with the zone as it is
    }

    void userAction()
    {
        switch (rng.bounded(12)) {
        case 0: case 1: case 2: switchCategory(); break;
        case 3: case 4: refresh(); break;
        case 5: zone(); break;
        case 6: action += QStringLiteral(" page"); clickPageEntry({}); break;
        case 7: search(); break;
        case 8:
            action += QStringLiteral(" carrier");
            click(w().galleryPage()->serverBar()->carrierButton(int(rng.bounded(2))));
            break;
        case 9: if (rng.bounded(4) == 0) restart(); break;
        case 10: { // a look at another category and back: the first one's page may not have changed
            const int from = current();
            switchCategory();
            h.settle();
            action += QStringLiteral(" and back");
            click(w().galleryPage()->categoryBar()->buttons().at(from));
            break;
        }
        default: break;
        }
    }

    void actAsUser()
    {
        action = QStringLiteral("step");
        const int c = current();
        switch (rng.bounded(6)) {
        case 0: // a poll finds work, the page is slow, and the user does something else meanwhile
            action += QStringLiteral(" poll with a slow page, then");
            h.setFaults({QStringLiteral("/kq/Page%1.dat delay=300").arg(c)});
            pollNow();
            userAction();
            break;
        case 1: // the page fails for a while
            action += QStringLiteral(" failing page, then");
            h.setFaults({QStringLiteral("/kq/Page%1.dat status=500").arg(c)});
            userAction();
            break;
        case 2:
            action += QStringLiteral(" poll, then");
            pollNow();
            userAction();
            break;
        default:
            userAction();
            break;
        }
        noteZone();
    }

    void noteZone()
    {
        const PersonalZone &zone = s().zone();
        if (!zone.active())
            return;
        const QList<QByteArray> &picks = s().catalogue().categories[size_t(current())].selection;
        for (Owed &o : owed)
            if (o.version.category == current() && !picks.contains(o.version.file))
                o.zoneMayFilter = true;
    }

    // ---- quiet, then the invariants ----

    void quietPeriod()
    {
        h.settle();
        h.lib.server().clearFaults();
        if (s().catalogue().categories[size_t(current())].failed) {
            w().refreshLimitTimer().stop();
            w().session().refresh(); // the user clicks 立即刷新 once the server answers again
            h.settle();
        }
        for (int i = 0; i < 2; ++i) {
            pollNow();
            h.settle();
            noteZone();
        }
        if (!waitUntil([this] { return !s().downloads().isBusy() && !w().queueTimer().isActive(); }, 30000))
            fail(QStringLiteral("the download queue did not drain"));
    }

    void check()
    {
        const int c = current();
        const Catalogue &cat = s().catalogue();
        const library::CategoryFiles files = serverFiles(c);
        if (cat.categories[size_t(c)].failed)
            fail(QStringLiteral("category %1 still failed after a quiet period").arg(c));
        else if (const QList<QByteArray> held = cat.items(c).toOwnedList(); held != files.records) {
            qsizetype i = 0;
            while (i < held.size() && i < files.records.size() && held[i] == files.records[i])
                ++i;
            fail(QStringLiteral("category %1: %2 records held, the server has %3; first difference at %4: %5 / %6")
                     .arg(c).arg(held.size()).arg(files.records.size()).arg(i)
                     .arg(QString::fromLatin1(held.value(i).toPercentEncoding()),
                          QString::fromLatin1(files.records.value(i).toPercentEncoding())));
        }
        if (s().isWaitingToAnnounce(c))
            fail(QStringLiteral("category %1 still waits to announce after a quiet period").arg(c));
        for (const Owed &o : std::as_const(owed)) {
            const Version &v = o.version;
            const bool replaced = newest.value(QStringLiteral("%1|%2").arg(v.category).arg(QString::fromLatin1(v.file))) != v.seq;
            if (v.category == c && !announced.contains(v.key()) && !replaced && !o.zoneMayFilter)
                fail(QStringLiteral("%1 was noticed but never announced").arg(v.key()));
        }
        owed.removeIf([&](const Owed &o) { return o.version.category == c; });
        checkSaveFolder();
    }

    void checkSaveFolder()
    {
        // Every announced picture, byte for byte, and nothing else: no second copy, no part file.
        QHash<QString, QByteArray> expected; // local name → served file
        for (const QString &key : std::as_const(announced)) {
            const Version &v = published[key];
            const CategoryEntry &entry = s().catalogue().categories[size_t(v.category)].entry;
            expected.insert(QString::fromLatin1(v.file + entry.extension),
                            library::picturePath(h.lib.root(), {{}, entry.folder, entry.extension}, v.file));
        }
        const QStringList present = QDir(h.desktop()).entryList(QDir::Files | QDir::Hidden);
        if (QSet<QString>(present.cbegin(), present.cend()) != QSet<QString>(expected.keyBegin(), expected.keyEnd()))
            fail(QStringLiteral("the save folder holds %1 files, %2 pictures were announced: %3")
                     .arg(present.size()).arg(expected.size()).arg(present.join(u' ')));
        for (const QString &name : present)
            if (expected.contains(name) && readAll(h.desktop() + u'/' + name) != readBytes(expected[name]))
                fail(QStringLiteral("%1 is not the served picture").arg(name));
    }
};

quint32 envNumber(const char *name, quint32 fallback)
{
    bool ok = false;
    const quint32 v = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? v : fallback;
}

} // namespace

TEST(Soak, RandomPublishingAgainstRandomUsersMissesNothingAndAnnouncesNothingElse)
{
    const quint32 seed = envNumber("KESTRIN_SOAK_SEED", 1);
    const int steps = int(envNumber("KESTRIN_SOAK_STEPS", 150));
    Soak soak(seed, steps);
    soak.run();
    const int unchanged = int(soak.pagesNotModified());
    std::printf("soak seed %u: %d steps, %d publications, %d announcements, %d restarts, %d pages not sent again\n",
                seed, steps, soak.publications, soak.announcements, soak.restarts, unchanged);
    EXPECT_GT(unchanged, 0) << "no load found its page unchanged: the soak did not reach that path";
    EXPECT_TRUE(soak.failures.isEmpty()) << soak.failures.join('\n').toStdString();
}
