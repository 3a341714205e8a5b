#pragma once

// How the program's memory allocator treats memory a check has freed.
namespace HeapPolicy {

// Lets the allocator keep up to a few MiB of freed memory for the next check instead of handing
// it back to the system at once. A check allocates and frees the same lists and buffers every
// time; handed back, each of their pages faults in anew on the next check, and on a box of
// 10,000 messages those faults cost as much processor time as the reading itself. Called once,
// before anything is allocated in earnest; does nothing where the allocator has no such knob.
void keepFreedMemory();

} // namespace HeapPolicy
