#include "gui/app/window_status_bar.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>

namespace kestrin {

WindowStatusBar::WindowStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("statusBar"));
    setSizeGripEnabled(false);
    setFixedHeight(19);
    auto *strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("statusPanels"));
    strip->setMinimumWidth(1);
    strip->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    const char *const names[] = {"updatePanel", "userPanel", "downloadPanel", "progressPanel"};
    const int widths[] = {200, 150, 300, 500};
    int left = 0;
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = i < ProgressPanel ? new QLabel(strip) : new QWidget(strip);
        m_panels[i]->setObjectName(QLatin1String(names[i]));
        m_panels[i]->setGeometry(left, 0, widths[i], 17);
        left += widths[i] + 2;
    }
    addWidget(strip, 1);
    m_progress = new QProgressBar(m_panels[ProgressPanel]);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setAccessibleName(QStringLiteral("下载进度"));
    m_progress->setTextVisible(false);
    m_progress->setGeometry(0, 0, 500 - 15, 17);
    m_panels[ProgressPanel]->installEventFilter(this);
    strip->installEventFilter(this);
}

QString WindowStatusBar::panelText(Panel panel) const
{
    const auto *label = qobject_cast<QLabel *>(m_panels[panel]);
    return label ? label->text() : QString();
}

void WindowStatusBar::setPanelText(Panel panel, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(m_panels[panel])) {
        label->setText(text);
        label->setToolTip(text);
    }
}

bool WindowStatusBar::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_progress) // QStatusBar's own children report here while it is being made
        return QStatusBar::eventFilter(watched, event);
    // The last panel ends where the window does: cut off, a half-done bar would look complete.
    if (watched == m_panels[ProgressPanel]->parentWidget() && event->type() == QEvent::Resize) {
        QWidget *panel = m_panels[ProgressPanel];
        panel->resize(qBound(1, static_cast<QWidget *>(watched)->width() - panel->x(), 500), panel->height());
    }
    // The progress bar follows its panel wherever the panel is laid out.
    if (watched == m_panels[ProgressPanel] && event->type() == QEvent::Resize) {
        const QRect r = m_panels[ProgressPanel]->rect();
        m_progress->setGeometry(r.left(), r.top(), r.width() - 15, r.height());
    }
    return QStatusBar::eventFilter(watched, event);
}

} // namespace kestrin
