#pragma once
#include <QObject>
#include <QTimer>

class QTabWidget;
class QWidget;

namespace kestrin {

// The six pages for web content published beside the library, hidden until the configuration gives
// them a caption, each with the host its browser fills, and the visit counter's timer. Right clicks
// inside the pages are swallowed so they show no context menu.
class WebTabHost : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPages = 6;
    static constexpr int kCounterIntervalMs = 900000;

    explicit WebTabHost(QTabWidget *pages);

    QWidget *page(int i) const { return m_pages[i]; }
    QWidget *browserHost(int i) const { return m_hosts[i]; }
    QTimer &counterTimer() { return m_counter; }
    // Whether w lies inside one of the web pages' browsers.
    bool containsWidget(const QWidget *w) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_pages[kPages] = {};
    QWidget *m_hosts[kPages] = {};
    QTimer m_counter;
};

} // namespace kestrin
