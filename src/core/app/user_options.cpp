#include "core/app/user_options.h"

namespace kestrin {

void UserOptions::setSavePath(const QString &path)
{
    if (path == m_savePath)
        return;
    m_savePath = path;
    emit savePathChanged(path);
}

void UserOptions::setFlag(Flag f, bool on)
{
    if (f < 0 || f >= FlagCount || m_flags[f] == on)
        return;
    m_flags[f] = on;
    emit flagChanged(f, on);
}

} // namespace kestrin
