#pragma once
#include <QObject>

namespace kestrin {

// How the program ends, as its exit status (also listed by --help).
namespace exit_status {
constexpr int kNormal = 0;
constexpr int kCannotStart = 1; // no display to show a window on, or no GBK support
constexpr int kUsage = 2;       // a wrong command line
constexpr int kNoServer = 3;    // start-up gave up: no server answered
} // namespace exit_status

// Ending the program from inside a handler: the application quits once the current event is handled,
// and whoever is still running start-up checks terminating() and stops.
class Lifecycle
{
public:
    virtual ~Lifecycle() = default;
    // The first request decides the exit status; later ones change nothing.
    void requestTermination(int status = exit_status::kNormal);
    bool terminating() const { return m_terminating; }

protected:
    // Ends the application's event loop with status; asked for once.
    virtual void endApplication(int status);

private:
    bool m_terminating = false;
};

} // namespace kestrin
