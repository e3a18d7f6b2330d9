#pragma once
#include "gui/app/web_page.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class QTabWidget;
class QWidget;

namespace kestrin {

class HttpJob;

// The six pages for web content published beside the library: a tab only for a non-empty caption,
// loaded once at start-up from the base address of that moment and again whenever its tab is chosen;
// and the hidden 1 × 1 counter page, loaded at start-up and every 15 minutes from the base address of
// each moment. Right clicks inside the six pages are swallowed so they show no context menu. The pages
// are made (and their first loads started) once the window has gone out drawn, or when a tab is chosen
// before that.
// Where the pages are plain stand-ins, the counter page is fetched with a plain request instead.
class WebTabHost : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPages = 6;
    static constexpr int kCounterIntervalMs = 900000;
    static const char *const kCaptions[kPages];
    static const char *const kPaths[kPages];
    static constexpr char kCounterPath[] = "kq/counter.htm";
    static constexpr qint64 kCounterPageLimit = 1 << 20;

    using WarmUp = std::function<void(QObject *context, std::function<void()> ready)>;
    WebTabHost(QTabWidget *pages, WebPageFactory factory, WarmUp warmUp = {});

    // The tab's page and the browser's place in it; nullptr for a page without a caption.
    QWidget *sheet(int i) const { return m_sheets[i]; }
    QWidget *browserHost(int i) const { return m_hosts[i]; }
    WebPage *page(int i) const { return m_pages[i]; }
    WebPage *counter() const { return m_counter; }
    QTimer &counterTimer() { return m_counterTimer; }

    // Start-up: the captioned tabs shown; their pages will load from base.
    void setUp(const QString &base);
    // Start-up: the counter page inside host, to load from baseUrl() when made and at every tick.
    void startCounter(QWidget *host, std::function<QString()> baseUrl);
    // Makes the counter and then, one turn of the event loop each, the pages, starting their loads
    // (once; normally after the first frame and the warm-up).
    void makePages();
    void counterTick();
    // Whether w lies inside one of the web pages' browsers.
    bool containsWidget(const QWidget *w) const;

signals:
    // A tab was chosen whose page could not be reloaded.
    void reloadFailed();
    void counterLoaded(bool ok);
    void pagesMade();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onCurrentChanged(int index);
    void makePage(int i);
    void makeNextPage();
    void countWithoutBrowser(const QString &address);

    QTabWidget *m_tabs;
    WebPageFactory m_factory;
    WarmUp m_warmUp;
    QWidget *m_sheets[kPages] = {};
    QWidget *m_hosts[kPages] = {};
    WebPage *m_pages[kPages] = {};
    QUrl m_addresses[kPages];
    QWidget *m_counterHost = nullptr;
    bool m_waitingForFrame = false;
    bool m_made = false;
    WebPage *m_counter = nullptr;
    std::function<QString()> m_counterBase;
    QPointer<HttpJob> m_counterRequest;
    QTimer m_counterTimer;
};

} // namespace kestrin
