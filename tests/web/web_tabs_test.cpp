// The web tabs and the counter with real web views against the library server: what they request,
// read from the server's log, and that a page that misbehaves never takes the window with it. The
// views come from the program's web module, loaded as the program loads it; this test reaches the
// engine's objects through their properties only, so it does not link the engine itself.
#include "gui/app/web_module.h"
#include "web_factory.h"
#include "window_harness.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
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

// The engine's page and view inside one of our pages (null where there is none).
QObject *enginePage(const WebPage *page)
{
    const QList<QObject *> children = page ? page->children() : QList<QObject *>{};
    const auto it = std::find_if(children.begin(), children.end(), [](QObject *o) { return o->inherits("QWebEnginePage"); });
    return it == children.end() ? nullptr : *it;
}
QWidget *engineView(const WebPage *page)
{
    const QList<QWidget *> children = page ? page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly) : QList<QWidget *>{};
    const auto it = std::find_if(children.begin(), children.end(), [](QWidget *w) { return w->inherits("QWebEngineView"); });
    return it == children.end() ? nullptr : *it;
}
QString titleOf(const WebPage *page) { return enginePage(page) ? enginePage(page)->property("title").toString() : QString(); }

// Started, with the four pages made (they are, one by one, once the window has been drawn).
MainWindow &startWithWebPages(WindowHarness &h)
{
    h.makeWebPage = webPages.make;
    h.warmUpWebPages = webPages.warmUp; // as the program does
    h.webViews = webPages.engine;
    MainWindow &w = h.start();
    if (!h.started || !waitUntil([&] { return w.webTabs()->page(3) != nullptr; }, 10000))
        throw std::runtime_error("the window did not start");
    if (!w.webTabs()->page(0)->inherits("kestrin::EngineWebPage"))
        throw std::runtime_error("no web view: the web module was not loaded");
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

    // One renderer serves the pages of the one site, and no page has a view until its tab is shown.
    const QList<WebPage *> pages{w.webTabs()->page(0), w.webTabs()->page(1), w.webTabs()->page(2),
                                 w.webTabs()->page(3), w.webTabs()->counter()};
    const auto renderers = [&] {
        QSet<qint64> pids;
        for (WebPage *page : pages)
            pids << enginePage(page)->property("renderProcessPid").toLongLong();
        return pids;
    };
    EXPECT_TRUE(waitUntil([&] { return !renderers().contains(0); }, 20000));
    EXPECT_EQ(renderers().size(), 1);
    for (WebPage *page : pages)
        EXPECT_FALSE(engineView(page)) << page->url().toString().toStdString();
    QTabWidget *tabs = w.pages();
    for (int i = 2; i < 6; ++i) {
        tabs->setCurrentIndex(i);
        WebPage *page = w.webTabs()->page(i - 2);
        EXPECT_TRUE(engineView(page)) << i;
        EXPECT_TRUE(waitUntil([&] { return titleOf(page) == tabs->tabText(i); }, 20000)) << titleOf(page).toStdString();
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
    h.makeWebPage = webPages.make;
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
    WebPage *page = w.webTabs()->page(0);
    w.pages()->setCurrentIndex(2);
    // Mouse input goes to the widget that draws the page, inside the view.
    QWidget *view = engineView(page);
    ASSERT_TRUE(view);
    QWidget *target = view->focusProxy() ? view->focusProxy() : view;
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
    WebPage *page = w.webTabs()->page(1);
    const auto renderer = [&] { return enginePage(page)->property("renderProcessPid").toLongLong(); };
    ASSERT_TRUE(waitUntil([&] { return renderer() > 0; }, 20000));
    ::kill(pid_t(renderer()), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return page->findChild<QLabel *>() && page->findChild<QLabel *>()->isVisibleTo(page); }, 20000));
    EXPECT_TRUE(page->findChild<QLabel *>()->text().contains("/kq/rd2.htm"));

    h.lib.server().clearLog();
    w.pages()->setCurrentIndex(3);
    EXPECT_TRUE(waitForRequests(h.lib.server(), "/kq/rd2.htm", 1));
    ASSERT_TRUE(engineView(page));
    EXPECT_TRUE(engineView(page)->isVisibleTo(page));
    EXPECT_FALSE(page->findChild<QLabel *>()->isVisibleTo(page));
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << h.prompts.shown.join('\n').toStdString();
}

TEST(WebTabs, WithoutTheWebEngineThePagesSayWhereToLookAndAReloadReportsTheError)
{
    // Turned off by the user, its helper process missing, the web module missing or not loadable (a
    // file that is no library): plain pages each time.
    QTemporaryDir dir;
    QFile junk(dir.filePath("libkestrin_web.so"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write("not a library") > 0);
    junk.close();
    const QList<std::pair<const char *, QByteArray>> cases{{"KESTRIN_NO_WEBENGINE", "1"},
                                                          {"QTWEBENGINE_PROCESS_PATH", "/nonexistent/helper"},
                                                          {"KESTRIN_WEB_MODULE", "/nonexistent/libkestrin_web.so"},
                                                          {"KESTRIN_WEB_MODULE", junk.fileName().toLocal8Bit()}};
    for (const auto &[variable, value] : cases) {
        qputenv(variable, value);
        const WebPageFactory factory = prepareWebPages().make;
        QWidget parent;
        EXPECT_TRUE(qobject_cast<PlainWebPage *>(factory(&parent))) << variable << " " << value.constData();
        qunsetenv(variable);
    }
    // The module the program finds beside itself makes web views.
    QString error;
    const WebPageFactory engine = loadWebModule(webModulePath(), &error);
    ASSERT_TRUE(engine) << error.toStdString();
    QWidget parent;
    EXPECT_TRUE(engine(&parent)->inherits("kestrin::EngineWebPage"));
    qputenv("KESTRIN_NO_WEBENGINE", "1");
    const WebPageFactory plain = prepareWebPages().make;
    qunsetenv("KESTRIN_NO_WEBENGINE");
    WindowHarness h;
    h.makeWebPage = plain;
    MainWindow &w = h.start();
    ASSERT_TRUE(h.started);
    ASSERT_TRUE(waitUntil([&] { return w.webTabs()->page(3) != nullptr; }));
    auto *page = qobject_cast<PlainWebPage *>(w.webTabs()->page(0));
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->message().contains(h.lib.url() + "kq/rd1.htm"));
    w.pages()->setCurrentIndex(3);
    saveScreen(&w, "web-tab-without-engine");
    EXPECT_EQ(h.prompts.shown, QStringList{"message [错误！]: 当前无法访问该页面，请联系网站站长！"});
    settle(300);
    EXPECT_EQ(requestsFor(h.lib.server(), "/kq/rd2.htm"), 0);
    // The visit counts all the same: the counter page once, by a plain request.
    EXPECT_EQ(requestsFor(h.lib.server(), "/kq/counter.htm"), 1);
}
