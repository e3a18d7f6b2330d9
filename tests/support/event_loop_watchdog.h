#pragma once
// Measures how long the event loop was held: a 10 ms timer notes the largest gap between its ticks.
// A click waits at most that long for an answer.
#include <QElapsedTimer>
#include <QTimer>
#include <QtGlobal>
#include <utility>

namespace kestrin::test {

class EventLoopWatchdog
{
public:
    EventLoopWatchdog()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start();
        m_clock.start();
    }
    // The longest the loop was held since the start or the last reset, in ms.
    qint64 longestHold() const { return m_longest; }
    // From now on; or from the next tick, so that what runs before the loop next turns (a test building
    // a window) does not count.
    void reset(bool fromNextTick = false)
    {
        m_longest = 0;
        m_fromNextTick = fromNextTick;
        m_clock.restart();
    }
    // The limit a test holds the loop to: 100 ms, or more where a build runs slower (sanitizers).
    static qint64 limitMs()
    {
        bool ok = false;
        const int env = qEnvironmentVariableIntValue("KESTRIN_WATCHDOG_MS", &ok);
        return ok && env > 0 ? env : 100;
    }

private:
    void tick()
    {
        const qint64 gap = m_clock.restart() - m_timer.interval();
        if (!std::exchange(m_fromNextTick, false))
            m_longest = qMax(m_longest, gap);
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
    bool m_fromNextTick = false;
};

} // namespace kestrin::test
