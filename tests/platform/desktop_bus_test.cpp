// The desktop's services on a bus of the test's own: the notification service the window's notices go
// to, the portal whose chooser "打开方式" offers, and what happens where neither answers.
#include "event_loop_watchdog.h"
#include "platform/bus_notifier.h"
#include "platform/portal_chooser.h"
#include "window_harness.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

// A dbus-daemon with nothing activatable, so no real desktop service ever answers; two connections to
// it, one for the program's side and one for the fake services.
class PrivateBus
{
public:
    PrivateBus()
    {
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                                    "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                         .arg(m_dir.path())
                         .toUtf8());
        config.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"), "--config-file=" + config.fileName()});
        if (!m_daemon.waitForStarted(5000) || !waitUntil([&] { return m_daemon.canReadLine(); }, 5000))
            return;
        const QString address = QString::fromUtf8(m_daemon.readLine().trimmed());
        static int buses = 0;
        ++buses;
        client = QDBusConnection::connectToBus(address, QStringLiteral("client%1").arg(buses));
        services = QDBusConnection::connectToBus(address, QStringLiteral("services%1").arg(buses));
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(client.name());
        QDBusConnection::disconnectFromBus(services.name());
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
    bool up() const { return client.isConnected() && services.isConnected(); }
    bool offer(const QString &service, const QString &path, QObject *object)
    {
        return services.registerService(service) && services.registerObject(path, object, QDBusConnection::ExportAllSlots);
    }

    QDBusConnection client{QString()};
    QDBusConnection services{QString()};

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

class FakeNotifications : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString app, icon, summary, body;
        uint replaces;
    };
    QList<Call> calls;
    bool answers = true;
    uint lastId = 40;

public slots:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        calls.append({app, icon, summary, body, replaces});
        if (!answers)
            setDelayedReply(true); // and never replies
        return ++lastId;
    }
};

class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.OpenURI")
public:
    QStringList files; // "device:inode" of each file handed in
    QList<QVariant> asks;

public slots:
    QDBusObjectPath OpenFile(const QString &, const QDBusUnixFileDescriptor &fd, const QVariantMap &options)
    {
        struct stat st = {};
        if (::fstat(fd.fileDescriptor(), &st) == 0)
            files << QStringLiteral("%1:%2").arg(st.st_dev).arg(st.st_ino);
        asks << options.value(QStringLiteral("ask"));
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/1/kestrin"));
    }
};

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");

void activate(QWidget &w)
{
    w.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &w; }, 5000));
}

} // namespace

TEST(DesktopBus, NewPicturesReachTheNotificationServiceOncePerPollWhileTheUserLooksElsewhere)
{
    PrivateBus bus;
    if (!bus.up()) {
        GTEST_SKIP() << "no private bus could be started";
    }
    FakeNotifications service;
    ASSERT_TRUE(bus.offer(kNotifications, QStringLiteral("/org/freedesktop/Notifications"), &service));
    WindowHarness h;
    BusNotifier notifier(&h.notifier, [&] { return bus.client; });
    h.realNotifier = &notifier;
    MainWindow &w = h.start();
    QWidget other; // what the user turned to
    other.show();
    // A user looking at the window gets nothing; the notice after that still replaces the first one.
    const struct
    {
        bool looking;
        QList<int> published;
    } polls[] = {{false, {12, 13}}, {true, {14}}, {false, {15}}};
    for (const auto &poll : polls) {
        activate(poll.looking ? static_cast<QWidget &>(w) : other);
        for (int k : poll.published)
            publish(h, 0, fileNameAt(w, k), "2026-12-07 10:10");
        h.poll();
    }
    ASSERT_TRUE(waitUntil([&] { return service.calls.size() == 2; }, 5000));
    for (const FakeNotifications::Call &c : service.calls) {
        EXPECT_EQ(c.app, "图库");
        EXPECT_EQ(c.icon, "kestrin");
        EXPECT_EQ(c.summary, "图库新到图纸");
    }
    // One line a picture, each naming its file.
    for (int call : {0, 1}) {
        const QStringList lines = service.calls[call].body.split('\n');
        ASSERT_EQ(lines.size(), polls[2 * call].published.size());
        for (int i = 0; i < lines.size(); ++i)
            EXPECT_TRUE(service.calls[call].body.contains(QString::fromLatin1(fileNameAt(w, polls[2 * call].published[i]))));
    }
    EXPECT_EQ(service.calls[0].replaces, 0u);
    EXPECT_EQ(service.calls[1].replaces, 41u);
    EXPECT_TRUE(h.notifier.texts.isEmpty());
}

// Without a service that takes the notice the tray shows it; a service that never answers holds nothing.
TEST(DesktopBus, WithoutAServiceTheTrayTellsAndASilentServiceHoldsNothing)
{
    const struct
    {
        const char *name;
        bool bus, service;
        QStringList tray;
    } cases[] = {{"no bus", false, false, {"图库新到图纸: A1", "图库新到图纸: A2"}},
                 {"no service", true, false, {"图库新到图纸: A1", "图库新到图纸: A2"}},
                 {"silent service", true, true, {}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PrivateBus bus;
        if (!bus.up()) {
            GTEST_SKIP() << "no private bus could be started";
        }
        FakeNotifications service;
        service.answers = false;
        if (c.service) {
            ASSERT_TRUE(bus.offer(kNotifications, QStringLiteral("/org/freedesktop/Notifications"), &service));
        }
        RecordingNotifier tray;
        BusNotifier notifier(&tray, [&] { return c.bus ? bus.client : QDBusConnection(QStringLiteral("none")); });
        EventLoopWatchdog watchdog;
        notifier.notify(QStringLiteral("图库新到图纸"), QStringLiteral("A1"));
        notifier.notify(QStringLiteral("图库新到图纸"), QStringLiteral("A2"));
        EXPECT_TRUE(waitUntil([&] { return tray.texts.size() + service.calls.size() == 2; }, 5000));
        EXPECT_EQ(tray.texts, c.tray);
        EXPECT_LE(watchdog.longestHold(), EventLoopWatchdog::limitMs());
    }
}

// "打开方式": the portal's chooser gets the very file, opened for reading, with the user asked; where no
// portal runs our own chooser does it.
TEST(DesktopBus, OpenWithAsksThePortalForTheFileOrFallsBackToOurChooser)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("图纸A1.dwg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    for (bool portalRuns : {true, false}) {
        SCOPED_TRACE(portalRuns ? "portal" : "no portal");
        PrivateBus bus;
        if (!bus.up()) {
            GTEST_SKIP() << "no private bus could be started";
        }
        FakePortal portal;
        if (portalRuns) {
            ASSERT_TRUE(bus.offer(QStringLiteral("org.freedesktop.portal.Desktop"),
                                  QStringLiteral("/org/freedesktop/portal/desktop"), &portal));
        }
        QStringList fallback;
        PortalChooser chooser([&](const QString &p) { fallback << p; }, [&] { return bus.client; });
        chooser.openWith(path);
        ASSERT_TRUE(waitUntil([&] { return portal.files.size() + fallback.size() == 1; }, 5000));
        QTest::qWait(50); // a fallback after the portal took the call would show here
        if (portalRuns) {
            EXPECT_EQ(portal.files, QStringList{QStringLiteral("%1:%2").arg(st.st_dev).arg(st.st_ino)});
            EXPECT_EQ(portal.asks, (QList<QVariant>{true}));
            EXPECT_TRUE(fallback.isEmpty());
        } else {
            EXPECT_EQ(fallback, QStringList{path});
        }
    }
}

#include "desktop_bus_test.moc"
