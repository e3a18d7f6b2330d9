#pragma once
#include <QWidget>
#include <functional>

namespace kestrin {

// A status-bar panel that paints nothing itself and tells its owner where it lies, so the owner can
// keep a control (the progress bar) over it.
class OwnerDrawPanel : public QWidget
{
public:
    using Draw = std::function<void(const QRect &)>;
    explicit OwnerDrawPanel(QWidget *parent = nullptr) : QWidget(parent) {}
    void setOnDraw(Draw draw) { m_draw = std::move(draw); }

protected:
    void paintEvent(QPaintEvent *) override { notify(); }
    void resizeEvent(QResizeEvent *) override { notify(); }

private:
    void notify()
    {
        if (m_draw)
            m_draw(rect());
    }
    Draw m_draw;
};

} // namespace kestrin
