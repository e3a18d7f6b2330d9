#include "web/engine_web_page.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLabel>
#include <QVBoxLayout>
#include <QWebEngineHttpRequest>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <unistd.h>

namespace kestrin {

EngineWebPage::EngineWebPage(QWidget *parent) : WebPage(parent), m_view(new QWebEngineView(this))
{
    setObjectName(QStringLiteral("engineWebPage"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    // The view's own menu (back, reload, view source…) is called up by the engine directly, from the
    // keyboard too, where no event filter sees it.
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    // Nor does it ask the library's server for icons it does not publish.
    m_view->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    connect(m_view, &QWebEngineView::loadFinished, this, &WebPage::loadFinished);
    connect(m_view, &QWebEngineView::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    showFailure(QStringLiteral("网页组件停止运行，无法显示此页面：\n%1").arg(m_url.toString()));
            });
}

void EngineWebPage::load(const QUrl &url)
{
    m_url = url;
    // Always asked of the server: the pages change under the same address (results, the visit
    // count), and pages without expiry would otherwise be taken from the cache for days.
    QWebEngineHttpRequest request(url);
    request.setHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("max-age=0"));
    m_view->load(request);
}

bool EngineWebPage::reload()
{
    if (m_url.isEmpty())
        return false;
    if (m_failure && m_failure->isVisible()) {
        // Reloading starts a dead renderer again.
        m_failure->hide();
        m_view->show();
    }
    m_view->reload();
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
    m_view->hide();
}

WebPageFactory prepareWebPages()
{
    const auto plain = [](QWidget *parent) -> WebPage * { return new PlainWebPage(parent); };
    if (qEnvironmentVariableIsSet("KESTRIN_NO_WEBENGINE"))
        return plain;
    // Without its helper process the web engine stops the whole program at the first page.
    QString helper = qEnvironmentVariable("QTWEBENGINE_PROCESS_PATH");
    if (helper.isEmpty())
        helper = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/QtWebEngineProcess");
    if (!QFileInfo(helper).isExecutable())
        return plain;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Chromium's sandbox refuses to run as root.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    return [](QWidget *parent) -> WebPage * { return new EngineWebPage(parent); };
}

} // namespace kestrin
