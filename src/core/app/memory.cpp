#include "core/app/memory.h"

#include <QThreadPool>
#include <cstdlib> // defines __GLIBC__ where it applies
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kestrin {

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    // Going through hundreds of thousands of freed blocks takes a while: not on the window's thread.
    QThreadPool::globalInstance()->start([] { malloc_trim(0); });
#endif
}

} // namespace kestrin
