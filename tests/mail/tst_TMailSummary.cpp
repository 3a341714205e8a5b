#include "mail/TMailSummary.h"

#include <QTest>

// Packed lines: one allocation per message, shared by its subject, sender and id.
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
