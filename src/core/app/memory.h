#pragma once

namespace kestrin {

// Hands memory freed after a large answer back to the system. The C library keeps freed blocks for
// reuse; after a page of millions of records or a change list of a hundred thousand entries that is
// tens of megabytes the process would hold for nothing.
void releaseFreedMemory();

} // namespace kestrin
