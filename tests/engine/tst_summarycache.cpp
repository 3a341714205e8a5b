// The header cache's lookups: by the caller's hint where the box kept its order, by the index
// where it did not, never for an id on more than one line.
#include "core/TSummaryCache.h"
#include "mail/TMailSummary.h"

#include <QHash>
#include <QTest>

#include <utility>

namespace {

TMailSummary summaryOf(const QByteArrayList &ids)
{
    TMailSummary s;
    for (const QByteArray &id : ids) {
        s.Subject << " subject of " + id;
        s.Sender << " sender of " + id;
        s.UniqueID << id;
        s.packLine(s.UniqueID.size() - 1);
    }
    return s;
}

// Two different ids whose 32-bit hashes are equal, found by trying: some 2^16 tries, bounded
// far above that.
std::pair<QByteArray, QByteArray> collidingIds()
{
    QHash<quint32, QByteArray> seen;
    for (int i = 0; i < (1 << 22); ++i) {
        const QByteArray id = "id" + QByteArray::number(i);
        const quint32 hash = quint32(qHash(id));
        if (seen.contains(hash))
            return {seen.value(hash), id};
        seen.insert(hash, id);
    }
    return {};
}

} // namespace

class tst_SummaryCache : public QObject
{
    Q_OBJECT
private slots:
    void lookups_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<qsizetype>("hint");
        QTest::addColumn<qsizetype>("line");
        QTest::newRow("right hint") << QByteArray("b") << qsizetype(2) << qsizetype(2);
        QTest::newRow("no hint") << QByteArray("d") << qsizetype(0) << qsizetype(5);
        QTest::newRow("hint on another id") << QByteArray("a") << qsizetype(5) << qsizetype(1);
        QTest::newRow("hint past the end") << QByteArray("e") << qsizetype(99) << qsizetype(6);
        QTest::newRow("unknown id") << QByteArray("zz") << qsizetype(1) << qsizetype(0);
        QTest::newRow("empty id") << QByteArray() << qsizetype(3) << qsizetype(0);
        // "c" stands on lines 3 and 4: which header it names is not known.
        QTest::newRow("doubled, hinted") << QByteArray("c") << qsizetype(3) << qsizetype(0);
        QTest::newRow("doubled") << QByteArray("c") << qsizetype(0) << qsizetype(0);
    }

    void lookups()
    {
        QFETCH(QByteArray, id);
        QFETCH(qsizetype, hint);
        QFETCH(qsizetype, line);
        TSummaryCache cache;
        cache.keepOnly(summaryOf({"a", "b", "c", "c", "d", "e"}));
        QCOMPARE(cache.lineOf(id, hint), line);
        if (line > 0) {
            const TSummaryCache::Entry e = cache.entryAt(line);
            QCOMPARE(e.Subject, " subject of " + id);
            QCOMPARE(e.Sender, " sender of " + id);
            QCOMPARE(e.UniqueID, id);
        }
    }

    // A doubled id among others of the same hash still names none of its lines.
    void doubledIdAmongEqualHashes()
    {
        const auto [x, y] = collidingIds();
        QVERIFY(!x.isEmpty());
        TSummaryCache cache;
        cache.keepOnly(summaryOf({x, y, x}));
        QCOMPARE(cache.lineOf(x), qsizetype(0));
        QCOMPARE(cache.lineOf(y), qsizetype(2));
    }

    void followsTheLatestLists()
    {
        TSummaryCache cache;
        const TMailSummary first = summaryOf({"a", "b", "c", "c"});
        cache.keepOnly(first);
        QCOMPARE(cache.lineOf("b"), qsizetype(2));
        QCOMPARE(cache.lineOf("c"), qsizetype(0));
        // The box lost "a" and gained "x": everything moved up a line.
        cache.keepOnly(summaryOf({"b", "c", "x"}));
        QCOMPARE(cache.lineOf("a"), qsizetype(0));
        QCOMPARE(cache.lineOf("b", 2), qsizetype(1));
        QCOMPARE(cache.lineOf("x", 4), qsizetype(3));
        // Another server or user forgets everything.
        cache.bindTo("pop.example.org", "joe");
        QCOMPARE(cache.lineOf("b"), qsizetype(0));
        // Leaving the doubled id out changed nothing in the lists the cache was given.
        QCOMPARE(first.UniqueID, QByteArrayList({"UniqueID", "a", "b", "c", "c"}));
    }
};

QTEST_GUILESS_MAIN(tst_SummaryCache)
#include "tst_summarycache.moc"
