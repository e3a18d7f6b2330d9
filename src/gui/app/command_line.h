#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace kestrin {

// The program's command line, read before any display is needed. It takes -h/--help, -v/--version
// and Qt's own options (-platform NAME, -style NAME, -reverse, -qwindowgeometry WxH+X+Y, -display
// NAME, ...), which are left for QApplication; anything else is a wrong command line.
struct CommandLine
{
    bool help = false;
    bool version = false;
    QString wrong;    // the first argument not understood
    QString platform; // -platform's value
    QString display;  // -display's value (X11)

    static CommandLine parse(const QStringList &arguments); // arguments[0] is the program
    static CommandLine parse(int argc, char **argv);
};

// Answers --help and --version on stdout, and a wrong command line with the usage on stderr; the
// exit status, or nothing when the program is to run.
std::optional<int> answerCommandLine(int argc, char **argv);

// Why the window system that Qt would use cannot be reached (DISPLAY unset, the X display does not
// open, ...), as one line for the user; empty when it can, or when Qt's platform needs no display
// (offscreen, minimal, ...). Follows -platform, QT_QPA_PLATFORM and the session type as Qt does.
QString missingDisplay(const CommandLine &line);

} // namespace kestrin
