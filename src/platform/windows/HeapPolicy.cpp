#include "platform/HeapPolicy.h"

// The process heap keeps freed blocks for reuse itself and offers no bound to set.
void HeapPolicy::keepFreedMemory()
{
}
