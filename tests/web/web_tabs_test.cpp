// The web tabs and the counter with real web views against the library server: what they request,
// read from the server's log, and that a page that misbehaves never takes the window with it.
#include "web/engine_web_page.h"
#include "web_factory.h"
#include "window_harness.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <csignal>

using namespace kestrin;
using namespace kestrin::test;

namespace {

bool waitForRequests(const library::LibraryServer &server, const QString &path, int count, int ms = 20000)
{
    return waitUntil([&] { return requestsFor(server, path) >= count; }, ms);
}

// Nothing more arrives for a while: a page that would reload has asked the server by then.
void settle(int ms = 800) { QTest::qWait(ms); }

MainWindow &startWithWebPages(WindowHarness &h)
{
    h.makeWebPage = webPages;
    MainWindow &w = h.start();
    if (!h.started)
        throw std::runtime_error("the window did not start");
    return w;
}

// Records the presses and menu requests that reach a widget after the application's filters.
struct EventRecorder : QObject
{
    QList<QEvent::Type> seen;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::ContextMenu)
            seen << e->type();
        return false;
    }
};

} // namespace

TEST(WebTabs, PagesLoadAtStartAndReloadOnlyWhenTheirTabIsChosen)
{
    WindowHarness h;
    MainWindow &w = startWithWebPages(h);
    library::LibraryServer &server = h.lib.server();
    for (const char *page : {"/kq/rd1.htm", "/kq/rd2.htm", "/kq/rd3.htm", "/kq/rd4.htm", "/kq/counter.htm"})
        EXPECT_TRUE(waitForRequests(server, page, 1)) << page;
    settle();
    // Pages without a caption get no tab and ask for nothing.
    EXPECT_EQ(requestsFor(server, "/kq/rd5.htm") + requestsFor(server, "/kq/rd6.htm"), 0);
    EXPECT_EQ(requestsFor(server, "/favicon.ico"), 0); // icons the library does not publish
    EXPECT_EQ(requestsFor(server, "/kq/rd2.htm"), 1);

    QTabWidget *tabs = w.pages();
    for (int i = 2; i < 6; ++i) {
        tabs->setCurrentIndex(i);
        auto *page = qobject_cast<EngineWebPage *>(w.webTabs()->page(i - 2));
        ASSERT_TRUE(page);
        EXPECT_TRUE(waitUntil([&] { return page->view()->title() == tabs->tabText(i); }, 20000))
            << page->view()->title().toStdString();
        settle(300);
        saveScreen(&w, QStringLiteral("web-tab-%1").arg(i - 1));
    }
    tabs->setCurrentIndex(0);
    settle();
    w.pollTimer().stop(); // a slow machine would see a poll among the requests counted
    server.clearLog();

    tabs->setCurrentIndex(3); // "开奖历史"
    EXPECT_TRUE(waitForRequests(server, "/kq/rd2.htm", 1));
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(1);
    settle();
    EXPECT_EQ(server.log().size(), 1) << server.log().join('\n').toStdString();
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << h.prompts.shown.join('\n').toStdString();
}

TEST(WebTabs, TheCounterAsksAgainEachTickFromTheServerInUse)
{
    WindowHarness h;
    library::LibraryServer second(h.lib.root());
    QString error;
    ASSERT_TRUE(second.start({QStringLiteral("127.0.0.1")}, 0, false, &error)) << error.toStdString();
    ServerTable servers = h.lib.table();
    servers.urls[1] = second.url();
    h.makeWebPage = webPages;
    MainWindow &w = h.start(servers);
    ASSERT_TRUE(h.started);
    QSignalSpy loaded(w.webTabs(), &WebTabHost::counterLoaded);
    ASSERT_TRUE(loaded.wait(20000));

    // Each tick reaches the server, though the page was just loaded and could be taken from a cache.
    for (int tick = 1; tick <= 2; ++tick) {
        w.webTabs()->counterTick();
        EXPECT_TRUE(waitForRequests(h.lib.server(), "/kq/counter.htm", 1 + tick));
        ASSERT_TRUE(loaded.wait(20000));
    }
    // Over to the second server and back: each tick asks the server in use, the first one again too.
    for (int library : {1, 0}) {
        w.galleryPage()->serverBar()->libraryButton(library)->click();
        ASSERT_TRUE(waitUntil([&] { return w.catalogue().serverIndex == library; }, 10000));
        w.webTabs()->counterTick();
        ASSERT_TRUE(loaded.wait(20000));
    }
    settle();
    EXPECT_EQ(requestsFor(second, "/kq/counter.htm"), 1);
    EXPECT_EQ(requestsFor(h.lib.server(), "/kq/counter.htm"), 4);
}

TEST(WebTabs, RightClicksAreDroppedInsideThePagesOnly)
{
    WindowHarness h;
    MainWindow &w = startWithWebPages(h);
    auto *page = qobject_cast<EngineWebPage *>(w.webTabs()->page(0));
    ASSERT_TRUE(page);
    w.pages()->setCurrentIndex(2);
    // Mouse input goes to the widget that draws the page, inside the view.
    QWidget *target = page->view()->focusProxy() ? page->view()->focusProxy() : page->view();
    EventRecorder recorder;
    target->installEventFilter(&recorder);
    const QPoint at(20, 20), global = target->mapToGlobal(at);
    QMouseEvent right(QEvent::MouseButtonPress, at, global, Qt::RightButton, Qt::RightButton, {});
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, global);
    QMouseEvent left(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, {});
    for (QEvent *e : std::initializer_list<QEvent *>{&right, &menu, &left})
        QApplication::sendEvent(target, e);
    EXPECT_EQ(recorder.seen, QList<QEvent::Type>{QEvent::MouseButtonPress}); // the left press only
    target->removeEventFilter(&recorder);

    // Elsewhere in the window a right click goes through.
    w.galleryPage()->installEventFilter(&recorder);
    recorder.seen.clear();
    QApplication::sendEvent(w.galleryPage(), &right);
    QApplication::sendEvent(w.galleryPage(), &menu);
    EXPECT_EQ(recorder.seen, (QList<QEvent::Type>{QEvent::MouseButtonPress, QEvent::ContextMenu}));
    w.galleryPage()->removeEventFilter(&recorder);
}

TEST(WebTabs, PagesThatFailHangOrNeverEndLeaveTheWindowUsable)
{
    WindowHarness h;
    // A missing page, one that never answers, a 50 MB one and one whose script never ends.
    h.setFaults({"/kq/rd1.htm status=404", "/kq/rd2.htm hang"});
    QFile big(h.lib.root() + "/kq/rd3.htm"), endless(h.lib.root() + "/kq/rd4.htm");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && endless.open(QIODevice::WriteOnly));
    big.write("<html><body><p>" + QByteArray(50 << 20, 'x') + "</p></body></html>");
    endless.write("<html><body><script>for (;;) {}</script></body></html>");
    big.close();
    endless.close();
    MainWindow &w = startWithWebPages(h);
    EXPECT_TRUE(waitForRequests(h.lib.server(), "/kq/rd4.htm", 1));
    for (int i = 2; i < 6; ++i) {
        w.pages()->setCurrentIndex(i);
        QTest::qWait(200);
    }
    w.pages()->setCurrentIndex(0);
    h.showCategory(1);
    EXPECT_EQ(w.catalogue().current, 1);
    h.poll();
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << h.prompts.shown.join('\n').toStdString();
    h.setFaults({}); // lets the hanging request go
}

TEST(WebTabs, ARendererThatDiesShowsAMessageAndComesBackWhenTheTabIsChosen)
{
    WindowHarness h;
    MainWindow &w = startWithWebPages(h);
    auto *page = qobject_cast<EngineWebPage *>(w.webTabs()->page(1));
    ASSERT_TRUE(page);
    ASSERT_TRUE(waitUntil([&] { return page->view()->page()->renderProcessPid() > 0; }, 20000));
    ::kill(pid_t(page->view()->page()->renderProcessPid()), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return !page->view()->isVisibleTo(page); }, 20000));
    EXPECT_TRUE(page->findChild<QLabel *>()->text().contains("/kq/rd2.htm"));

    h.lib.server().clearLog();
    w.pages()->setCurrentIndex(3);
    EXPECT_TRUE(waitForRequests(h.lib.server(), "/kq/rd2.htm", 1));
    EXPECT_TRUE(page->view()->isVisibleTo(page));
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << h.prompts.shown.join('\n').toStdString();
}

TEST(WebTabs, WithoutTheWebEngineThePagesSayWhereToLookAndAReloadReportsTheError)
{
    // Turned off by the user, or its helper process missing: plain pages either way.
    for (const char *variable : {"KESTRIN_NO_WEBENGINE", "QTWEBENGINE_PROCESS_PATH"}) {
        qputenv(variable, "/nonexistent/helper");
        const WebPageFactory factory = prepareWebPages();
        qunsetenv(variable);
        QWidget parent;
        EXPECT_TRUE(qobject_cast<PlainWebPage *>(factory(&parent))) << variable;
    }
    qputenv("KESTRIN_NO_WEBENGINE", "1");
    const WebPageFactory plain = prepareWebPages();
    qunsetenv("KESTRIN_NO_WEBENGINE");
    WindowHarness h;
    h.makeWebPage = plain;
    MainWindow &w = h.start();
    ASSERT_TRUE(h.started);
    auto *page = qobject_cast<PlainWebPage *>(w.webTabs()->page(0));
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->message().contains(h.lib.url() + "kq/rd1.htm"));
    w.pages()->setCurrentIndex(3);
    saveScreen(&w, "web-tab-without-engine");
    EXPECT_EQ(h.prompts.shown, QStringList{"message [错误！]: 当前无法访问该页面，请联系网站站长！"});
    settle(300);
    EXPECT_EQ(requestsFor(h.lib.server(), "/kq/rd2.htm") + requestsFor(h.lib.server(), "/kq/counter.htm"), 0);
}
