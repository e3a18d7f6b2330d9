#include "gui/app/web_tab_host.h"

#include "core/server/http.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kestrin {

const char *const WebTabHost::kCaptions[kPages] = {"图库首页", "开奖历史", "开奖直播", "六合走势", "", ""};
const char *const WebTabHost::kPaths[kPages] = {"kq/rd1.htm", "kq/rd2.htm", "kq/rd3.htm",
                                               "kq/rd4.htm", "kq/rd5.htm", "kq/rd6.htm"};

WebTabHost::WebTabHost(QTabWidget *tabs, WebPageFactory factory, WarmUp warmUp)
    : QObject(tabs), m_tabs(tabs), m_factory(std::move(factory)), m_warmUp(std::move(warmUp))
{
    setObjectName(QStringLiteral("webTabs"));
    if (!m_factory)
        m_factory = [](QWidget *parent) -> WebPage * { return new PlainWebPage(parent); };
    for (int i = 0; i < kPages; ++i) {
        // A page without a caption never gets a tab: a screen reader would meet a tab nobody sees.
        const QString caption = QString::fromUtf8(kCaptions[i]);
        if (caption.isEmpty())
            continue;
        m_sheets[i] = new QWidget;
        m_sheets[i]->setObjectName(QStringLiteral("webTab%1Page").arg(i + 1));
        m_hosts[i] = new QWidget(m_sheets[i]);
        m_hosts[i]->setObjectName(QStringLiteral("webTab%1Browser").arg(i + 1));
        auto *layout = new QVBoxLayout(m_sheets[i]);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_hosts[i]);
        new QVBoxLayout(m_hosts[i]);
        m_hosts[i]->layout()->setContentsMargins(0, 0, 0, 0);
        // Until its page is made, the empty sheet is what a screen reader meets: it says the caption.
        m_sheets[i]->setAccessibleName(caption);
        const int index = tabs->addTab(m_sheets[i], caption);
        tabs->setTabVisible(index, false);
    }
    m_counterTimer.setObjectName(QStringLiteral("counterTimer"));
    m_counterTimer.setInterval(kCounterIntervalMs);
    m_counterTimer.start();
    connect(&m_counterTimer, &QTimer::timeout, this, &WebTabHost::counterTick);
    connect(tabs, &QTabWidget::currentChanged, this, &WebTabHost::onCurrentChanged);
    qApp->installEventFilter(this);
}

void WebTabHost::setUp(const QString &base)
{
    for (int i = 0; i < kPages; ++i) {
        const QString caption = QString::fromUtf8(kCaptions[i]);
        if (caption.isEmpty())
            continue; // no tab for the user: its page loads nothing
        m_tabs->setTabVisible(m_tabs->indexOf(m_sheets[i]), true);
        m_addresses[i] = QUrl(base + QLatin1String(kPaths[i]));
    }
    m_waitingForFrame = !m_made;
}

void WebTabHost::startCounter(QWidget *host, std::function<QString()> baseUrl)
{
    m_counterBase = std::move(baseUrl);
    m_counterHost = host;
    m_waitingForFrame = !m_made;
}

void WebTabHost::makePages()
{
    if (m_made)
        return;
    m_made = true;
    m_waitingForFrame = false;
    if (m_counterHost) {
        m_counter = m_factory(m_counterHost);
        m_counter->setObjectName(QStringLiteral("counterPage"));
        // Never shown: a page loads without being drawn, and a web view for one pixel costs as much
        // as any other.
        m_counter->setGeometry(152, 8, 1, 1);
        connect(m_counter, &WebPage::loadFinished, this, &WebTabHost::counterLoaded);
        counterTick();
    }
    makeNextPage();
}

void WebTabHost::makeNextPage()
{
    // One at a time: the window takes input between them.
    for (int i = 0; i < kPages; ++i) {
        if (!m_addresses[i].isEmpty() && !m_pages[i]) {
            makePage(i);
            QTimer::singleShot(0, this, &WebTabHost::makeNextPage);
            return;
        }
    }
    emit pagesMade();
}

void WebTabHost::makePage(int i)
{
    m_pages[i] = m_factory(m_hosts[i]);
    if (m_pages[i]->accessibleName().isEmpty())
        m_pages[i]->setAccessibleName(m_sheets[i]->accessibleName());
    m_hosts[i]->layout()->addWidget(m_pages[i]);
    // Started, not waited for: the working pages are usable meanwhile.
    m_pages[i]->load(m_addresses[i]);
}

void WebTabHost::counterTick()
{
    if (!m_counter)
        return;
    // Whatever server is in use at this tick.
    const QString address = m_counterBase() + QLatin1String(kCounterPath);
    m_counter->load(QUrl(address));
    if (qobject_cast<PlainWebPage *>(m_counter))
        countWithoutBrowser(address);
}

void WebTabHost::countWithoutBrowser(const QString &address)
{
    // Where no web view can run, the page is still asked for, so the visit counts all the same; what
    // comes back is of no use, and a failure is nobody's business.
    if (m_counterRequest)
        m_counterRequest->cancel();
    HttpRequest request;
    request.url = address;
    request.maxBytes = kCounterPageLimit;
    m_counterRequest = Http::get(request, this, [this](const HttpResult &result) { emit counterLoaded(result.ok()); });
}

void WebTabHost::onCurrentChanged(int index)
{
    for (int i = 0; i < kPages; ++i) {
        if (!m_sheets[i] || m_tabs->indexOf(m_sheets[i]) != index)
            continue;
        if (!m_addresses[i].isEmpty() && !m_pages[i]) {
            // Chosen before its page was made: made now, and its first load is the reload.
            makePages();
            if (!m_pages[i])
                makePage(i);
        }
        if (!m_pages[i] || !m_pages[i]->reload())
            emit reloadFailed();
        return;
    }
}

bool WebTabHost::containsWidget(const QWidget *w) const
{
    for (; w; w = w->parentWidget()) {
        for (QWidget *host : m_hosts) {
            if (w == host)
                return true;
        }
    }
    return false;
}

bool WebTabHost::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Paint:
        // The pages wait until the window has been drawn once, and what that frame set going has run:
        // the web engine takes a while to start, and the window is usable without it.
        if (m_waitingForFrame && watched == m_tabs) {
            m_waitingForFrame = false;
            QTimer::singleShot(0, this, [this] {
                QTimer::singleShot(0, this, [this] {
                    if (m_warmUp)
                        m_warmUp(this, [this] { makePages(); });
                    else
                        makePages();
                });
            });
        }
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->button() != Qt::RightButton)
            return false;
        break;
    case QEvent::ContextMenu:
        break;
    default:
        return false;
    }
    return watched->isWidgetType() && containsWidget(static_cast<QWidget *>(watched));
}

} // namespace kestrin
