#pragma once
#include <QObject>
#include <functional>

namespace kestrin {

// An application-wide event filter that hands every event to one handler, which may drop it.
class EventHook : public QObject
{
public:
    using Handler = std::function<bool(QObject *, QEvent *)>;
    EventHook(Handler handler, QObject *parent) : QObject(parent), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override { return m_handler(watched, event); }

private:
    Handler m_handler;
};

} // namespace kestrin
