#pragma once
#include <QStatusBar>

class QLabel;
class QProgressBar;

namespace kestrin {

// Four panels of fixed widths (200, 150, 300, 500): the category's last update (or why it could not
// be loaded), the personal zone's user, the download in progress, and the progress bar, which lies
// over the fourth panel 15 pixels short of its right edge. A narrow window cuts the last ones off.
class WindowStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    enum Panel { UpdatePanel, UserPanel, DownloadPanel, ProgressPanel };

    explicit WindowStatusBar(QWidget *parent = nullptr);

    QString panelText(Panel panel) const;
    void setPanelText(Panel panel, const QString &text);
    QWidget *panel(Panel panel) const { return m_panels[panel]; }
    QProgressBar *progressBar() const { return m_progress; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_panels[4] = {};
    QProgressBar *m_progress = nullptr;
};

} // namespace kestrin
