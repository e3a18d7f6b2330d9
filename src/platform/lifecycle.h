#pragma once
#include <QObject>

namespace kestrin {

// Ending the program from inside a handler: the application quits once the current event is handled,
// and whoever is still running start-up checks terminating() and stops.
class Lifecycle
{
public:
    virtual ~Lifecycle() = default;
    void requestTermination();
    bool terminating() const { return m_terminating; }

protected:
    // Ends the application's event loop; asked for once.
    virtual void endApplication();

private:
    bool m_terminating = false;
};

} // namespace kestrin
