#pragma once

namespace kestrin {

// Hands memory freed after a large answer back to the system. The C library keeps freed blocks for
// reuse; after a page of millions of records or a change list of a hundred thousand entries that is
// tens of megabytes the process would hold for nothing.
void releaseFreedMemory();

// Blocks the size of a page go straight to the system and back, whole, when the page is dropped. Left
// to itself the C library raises that bound after the first such block is freed and carves the next
// pages out of its heap, where each reload leaves gaps the next page does not fit: the process grows
// with every switch. Call once, at start.
void keepLargeBlocksApart();

} // namespace kestrin
