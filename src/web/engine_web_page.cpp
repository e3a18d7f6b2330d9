#include "web/engine_web_page.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWebEngineHttpRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace kestrin {

EngineWebPage::EngineWebPage(QWidget *parent) : WebPage(parent)
{
    setObjectName(QStringLiteral("engineWebPage"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    makePage();
}

void EngineWebPage::makePage()
{
    m_page = new QWebEnginePage(this);
    // Nor does it ask the library's server for icons it does not publish.
    m_page->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        m_loadsEnded = true;
        emit loadFinished(ok);
    });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                showFailure(QStringLiteral("网页组件停止运行，无法显示此页面：\n%1").arg(m_url.toString()));
                if (!m_view) {
                    // A view cannot take over a page whose renderer has died: a new page takes its
                    // place, to load the address again when asked.
                    m_page->deleteLater();
                    makePage();
                    m_pageIsNew = true;
                }
            });
}

EngineWebPage::~EngineWebPage()
{
    delete m_view; // before the page it shows
}

void EngineWebPage::showEvent(QShowEvent *event)
{
    if (!m_view) {
        m_view = new QWebEngineView(this);
        // The view's own menu (back, reload, view source…) is called up by the engine directly, from
        // the keyboard too, where no event filter sees it.
        m_view->setContextMenuPolicy(Qt::NoContextMenu);
        m_view->setPage(m_page);
        layout()->addWidget(m_view);
        if (m_failure && m_failure->isVisible())
            m_view->hide();
    }
    WebPage::showEvent(event);
}

void EngineWebPage::load(const QUrl &url)
{
    m_url = url;
    m_pageIsNew = false;
    // Always asked of the server: the pages change under the same address (results, the visit
    // count), and pages without expiry would otherwise be taken from the cache for days.
    QWebEngineHttpRequest request(url);
    request.setHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("max-age=0"));
    m_page->load(request);
}

bool EngineWebPage::reload()
{
    if (m_url.isEmpty())
        return false;
    if (m_failure && m_failure->isVisible()) {
        // Reloading starts a dead renderer again.
        m_failure->hide();
        if (m_view)
            m_view->show();
    } else if (!m_loadsEnded) {
        return true; // the first load is still under way: it is the reload
    }
    if (m_pageIsNew)
        load(m_url);
    else
        m_page->triggerAction(QWebEnginePage::Reload);
    return true;
}

void EngineWebPage::showFailure(const QString &why)
{
    if (!m_failure) {
        m_failure = new QLabel(this);
        m_failure->setAlignment(Qt::AlignCenter);
        m_failure->setWordWrap(true);
        layout()->addWidget(m_failure);
    }
    m_failure->setText(why);
    m_failure->show();
    if (m_view)
        m_view->hide();
}

} // namespace kestrin

kestrin::WebPage *kestrinMakeEngineWebPage(QWidget *parent)
{
    return new kestrin::EngineWebPage(parent);
}
