#include "platform/HeapPolicy.h"

#include <cstdlib> // defines __GLIBC__ where that is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Freed memory kept at most, and the size from which a block is mapped on its own (and given
// back when freed): above what a check of a large box allocates at once.
constexpr int KeptBytes = 8 * 1024 * 1024;
constexpr int OwnMappingBytes = 4 * 1024 * 1024;

} // namespace

void HeapPolicy::keepFreedMemory()
{
#if defined(__GLIBC__)
    // Setting either bound ends the library's own adjustment of both, which only ever raises
    // them after a mapped block was freed, and trims the heap whenever its free top passes twice
    // the largest such block: that is after every check.
    mallopt(M_MMAP_THRESHOLD, OwnMappingBytes);
    mallopt(M_TRIM_THRESHOLD, KeptBytes);
#endif
}
