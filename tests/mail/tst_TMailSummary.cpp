#include "mail/TMailSummary.h"

#include <QSet>
#include <QTest>

namespace {

// A summary of `lines` messages with distinct strings, every line packed.
TMailSummary filled(qsizetype lines)
{
    TMailSummary s;
    for (qsizetype k = 1; k <= lines; ++k) {
        s.Subject << " Subject number " + QByteArray::number(k);
        s.Sender << " Sender " + QByteArray::number(k) + " <s" + QByteArray::number(k) + "@example.org>";
        s.UniqueID << "id" + QByteArray::number(k) + "\r\n";
        s.packLine(k);
    }
    return s;
}

void expectLines(const TMailSummary &s, const QList<qsizetype> &numbers)
{
    QCOMPARE(s.UniqueID.size(), numbers.size() + 1);
    for (qsizetype k = 1; k < s.UniqueID.size(); ++k) {
        const QByteArray n = QByteArray::number(numbers.at(k - 1));
        QCOMPARE(s.Subject.at(k), " Subject number " + n);
        QCOMPARE(s.Sender.at(k), " Sender " + n + " <s" + n + "@example.org>");
        QCOMPARE(s.UniqueID.at(k), "id" + n + "\r\n");
        QCOMPARE(s.UniqueID.at(k).constData()[s.UniqueID.at(k).size()], '\0');
    }
}

} // namespace

// Packed lines: the strings of many messages in shared chunks, held by the lists as slices.
class tst_TMailSummary : public QObject
{
    Q_OBJECT
private slots:
    void packedLineKeepsItsValues_data()
    {
        QTest::addColumn<QByteArray>("subject");
        QTest::addColumn<QByteArray>("sender");
        QTest::addColumn<QByteArray>("id");
        QTest::newRow("everything") << QByteArray(" Hello") << QByteArray(" Anna <a@example.org>") << QByteArray("u1\r\n");
        QTest::newRow("no subject") << QByteArray() << QByteArray(" b@example.org") << QByteArray("u2\r\n");
        QTest::newRow("NUL inside") << QByteArray(" a\0b", 4) << QByteArray(" c") << QByteArray("u3\r\n");
    }

    void packedLineKeepsItsValues()
    {
        QFETCH(QByteArray, subject);
        QFETCH(QByteArray, sender);
        QFETCH(QByteArray, id);
        TMailSummary s;
        s.Subject << " first" << subject;
        s.Sender << " one" << sender;
        s.UniqueID << "x\r\n" << id;
        const QByteArrayList before = s.Subject + s.Sender + s.UniqueID;
        s.packLine(2);
        QCOMPARE(s.Subject + s.Sender + s.UniqueID, before);
        // Each value still ends in a NUL, as every byte array's does.
        for (const QByteArray &value : {s.Subject.at(2), s.Sender.at(2), s.UniqueID.at(2)})
            QCOMPARE(value.constData()[value.size()], '\0');
        // One block: the sender and the id lie right behind the subject.
        QCOMPARE(s.UniqueID.at(2).constData(), s.Sender.at(2).constData() + sender.size() + 1);
        if (!subject.isEmpty())
            QCOMPARE(s.Sender.at(2).constData(), s.Subject.at(2).constData() + subject.size() + 1);
    }

    void changingOnePartLeavesTheOthers()
    {
        TMailSummary s;
        s.Subject << " Hello";
        s.Sender << " Anna";
        s.UniqueID << "u1\r\n";
        s.packLine(1);
        s.Subject[1].append(" again and again, longer than what follows it");
        s.Sender[1][1] = 'E';
        QCOMPARE(s.Subject.at(1), QByteArray(" Hello again and again, longer than what follows it"));
        QCOMPARE(s.Sender.at(1), QByteArray(" Enna"));
        QCOMPARE(s.UniqueID.at(1), QByteArray("u1\r\n"));
        // The last holder of a block may grow in place over parts nobody holds any more.
        QByteArray id = s.UniqueID.at(1);
        s = TMailSummary();
        id.append("tail");
        QCOMPARE(id, QByteArray("u1\r\ntail"));
    }

    void manyLinesShareFewChunks()
    {
        const TMailSummary s = filled(2000);
        QList<qsizetype> numbers;
        QSet<const char *> chunks;
        for (qsizetype k = 1; k <= 2000; ++k) {
            numbers << k;
            for (const QByteArrayList *list : {&s.Subject, &s.Sender, &s.UniqueID})
                chunks.insert(TStringArena::chunkStart(list->at(k)));
        }
        expectLines(s, numbers);
        // Some 60 bytes a line: a chunk holds hundreds of lines.
        QVERIFY2(chunks.size() <= 2000 * 64 / TStringArena::ChunkBytes + 1, qPrintable(QString::number(chunks.size())));
    }

    void lineLargerThanAChunkGetsABlockOfItsOwn()
    {
        TMailSummary s = filled(3);
        const QByteArray subject = " " + QByteArray(TStringArena::ChunkBytes + 10, 's');
        s.Subject << subject;
        s.Sender << " Big";
        s.UniqueID << "big\r\n";
        s.packLine(4);
        s.Subject << " after";
        s.Sender << " After";
        s.UniqueID << "after\r\n";
        s.packLine(5);
        QCOMPARE(s.Subject.at(4), subject);
        QCOMPARE(s.UniqueID.at(4), QByteArray("big\r\n"));
        QCOMPARE(s.Subject.at(5), QByteArray(" after"));
        // The small lines go on filling the chunk they were filling.
        QCOMPARE(TStringArena::chunkStart(s.Subject.at(5)), TStringArena::chunkStart(s.Subject.at(3)));
    }

    void copiesNeverWriteOverEachOther()
    {
        TMailSummary a = filled(2);
        TMailSummary b = a;
        for (TMailSummary *s : {&a, &b}) {
            const QByteArray tag = s == &a ? "a" : "b";
            s->Subject << " Subject from " + tag;
            s->Sender << " Sender from " + tag;
            s->UniqueID << "id-" + tag + "\r\n";
            s->packLine(3);
        }
        QCOMPARE(a.Subject.at(3), QByteArray(" Subject from a"));
        QCOMPARE(a.UniqueID.at(3), QByteArray("id-a\r\n"));
        QCOMPARE(b.Subject.at(3), QByteArray(" Subject from b"));
        QCOMPARE(b.UniqueID.at(3), QByteArray("id-b\r\n"));
        QCOMPARE(a.Subject.at(1), b.Subject.at(1));
    }

    void compactingLetsGoOfChunksHeldByFewLines()
    {
        TMailSummary s = filled(3000);
        // Ten survivors spread over every chunk.
        QList<qsizetype> kept;
        for (qsizetype k = 3000; k >= 1; --k)
            if (k % 300 != 0)
                s.removeLine(k);
        for (qsizetype k = 300; k <= 3000; k += 300)
            kept << k;
        const char *before = TStringArena::chunkStart(s.Subject.at(1));
        s.compact();
        expectLines(s, kept);
        QVERIFY(TStringArena::chunkStart(s.Subject.at(1)) != before);
        for (qsizetype k = 1; k <= 10; ++k)
            QCOMPARE(TStringArena::chunkStart(s.UniqueID.at(k)), TStringArena::chunkStart(s.Subject.at(1)));

        // Lines that fill their chunks stay where they are.
        TMailSummary full = filled(3000);
        const char *first = full.Subject.at(1).constData();
        full.compact();
        QCOMPARE(full.Subject.at(1).constData(), first);
    }

    void lineMissingFromAListIsLeftAlone()
    {
        TMailSummary s;
        s.Subject << " Hello";
        s.Sender << " Anna";
        const QByteArray subject = s.Subject.at(1);
        s.packLine(1);
        s.packLine(0);
        s.packLine(7);
        QCOMPARE(s.Subject.at(1).constData(), subject.constData());
        QCOMPARE(s.UniqueID, QByteArrayList{"UniqueID"});
    }
};

QTEST_MAIN(tst_TMailSummary)
#include "tst_TMailSummary.moc"
