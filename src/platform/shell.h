#pragma once
#include <QString>

namespace kestrin {

// The desktop shell: opens a file or a web address with whatever the user has set up for it.
class Shell
{
public:
    virtual ~Shell() = default;
    // false when nothing could open it (no program for the file type, for one).
    virtual bool open(const QString &pathOrUrl) = 0;
    // Lets the user pick a program for a file that nothing opens by itself.
    virtual void openWith(const QString &path) = 0;
};

} // namespace kestrin
