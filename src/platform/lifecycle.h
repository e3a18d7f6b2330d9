#pragma once
#include <QObject>

namespace kestrin {

// Ending the program from inside a handler: the application quits once the current event is handled,
// and whoever is still running start-up checks terminating() and stops.
class Lifecycle
{
public:
    virtual ~Lifecycle() = default;
    virtual void requestTermination();
    bool terminating() const { return m_terminating; }

private:
    bool m_terminating = false;
};

} // namespace kestrin
