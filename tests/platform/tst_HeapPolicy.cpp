// The allocator keeps what a check freed: the same allocations made again fault in no page.
#include "platform/HeapPolicy.h"

#include <QTest>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

long minorFaults()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

// `count` blocks of `bytes`, all written through, then all freed; the compiler may leave none
// of it out.
void useAndFree(int count, std::size_t bytes)
{
    // The list comes first, so the blocks lie one behind the other at the top of the heap.
    std::vector<char *> blocks;
    blocks.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        char *volatile block = static_cast<char *>(std::malloc(bytes));
        std::memset(block, 1, bytes);
        blocks.push_back(static_cast<char *>(block));
    }
    for (char *block : blocks)
        std::free(block);
}

} // namespace

class TstHeapPolicy : public QObject
{
    Q_OBJECT

private slots:
    void freedMemoryIsKept()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizer's allocator holds freed memory in a quarantine of its own");
#endif
        HeapPolicy::keepFreedMemory();
        // 6 MiB in blocks of 100 KiB, each below the size mapped on its own: about what a
        // check of a large box holds at once and frees at its end.
        constexpr int count = 60;
        constexpr std::size_t bytes = 100 * 1024;
        useAndFree(count, bytes);
        // Without the policy the free top of the heap beyond 128 KiB goes back at once.
        const std::size_t kept = mallinfo2().keepcost;
        QVERIFY2(kept >= 5 * 1024 * 1024, qPrintable(QString::number(kept)));
        const long before = minorFaults();
        useAndFree(count, bytes);
        const long faults = minorFaults() - before;
        QVERIFY2(faults < 64, qPrintable(QString::number(faults)));
    }
};

QTEST_APPLESS_MAIN(TstHeapPolicy)
#include "tst_HeapPolicy.moc"
