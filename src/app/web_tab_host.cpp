#include "app/web_tab_host.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kestrin {

WebTabHost::WebTabHost(QTabWidget *pages) : QObject(pages)
{
    setObjectName(QStringLiteral("webTabs"));
    for (int i = 0; i < kPages; ++i) {
        m_pages[i] = new QWidget;
        m_pages[i]->setObjectName(QStringLiteral("webTab%1Page").arg(i + 1));
        m_hosts[i] = new QWidget(m_pages[i]);
        m_hosts[i]->setObjectName(QStringLiteral("webTab%1Browser").arg(i + 1));
        auto *layout = new QVBoxLayout(m_pages[i]);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_hosts[i]);
        const int index = pages->addTab(m_pages[i], QStringLiteral("TAB%1").arg(i + 3));
        pages->setTabVisible(index, false);
    }
    m_counter.setObjectName(QStringLiteral("counterTimer"));
    m_counter.setInterval(kCounterIntervalMs);
    m_counter.start();
    qApp->installEventFilter(this);
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
