// Checks against the private test Dovecot with commands sent one at a time (Security "none")
// and pipelined (a TLS session, where the server's CAPA lists PIPELINING and UIDL): both
// must give the same lists, filter marks, deletions and log records; a repeat check of the
// pipelined path reads headers only for new messages.
#include "fixtures/SyncWait.h"
#include "EngineFixture.h"

#include "fixtures/Dovecot.h"
#include "mail/TMailSummary.h"
#include "net/TNMPOP3.h"

#include <QHash>
#include <QtTest>

namespace {

using Box = QList<QByteArray>;

// What one path gave, with unique ids (which differ between two mailboxes) replaced by the
// message's place in its box.
struct Outcome
{
    QList<QByteArrayList> first;      // the lists after the first check
    QList<QByteArrayList> second;     // after a check with one id queued by hand
    QByteArrayList log;               // the records without their time stamp
    QList<QByteArray> left;           // what the server still holds
    QList<int> tops;                  // "TOP" commands of each check
    QList<int> perMessage;            // "UIDL n" and "LIST n" commands of each check
};

// Message k's id, as the one-by-one client reads it, mapped to "#k".
QHash<QByteArray, QByteArray> placesOf(const Dovecot::User &user)
{
    TNMPOP3 pop;
    pop.Host = QStringLiteral("127.0.0.1");
    pop.Port = Dovecot::plainPort();
    pop.TimeOut = 10000;
    pop.UserID = user.name;
    pop.Password = user.password;
    pop.Security = "none";
    syncWait(pop.Connect());
    QHash<QByteArray, QByteArray> places;
    for (qint32 k = 1; k <= pop.MailCount; ++k)
        places.insert(syncWait(pop.UniqueID(k)), "#" + QByteArray::number(k));
    syncWait(pop.Disconnect());
    return places;
}

QByteArray placeOf(const QHash<QByteArray, QByteArray> &places, const QByteArray &id)
{
    return id.isEmpty() ? QByteArray() : places.value(id, "unknown id " + id);
}

QList<QByteArrayList> listsOf(const TMailSummary &s, const QHash<QByteArray, QByteArray> &places)
{
    QByteArrayList ids;
    for (const QByteArray &id : s.UniqueID)
        ids << (id == "UniqueID" ? id : placeOf(places, id));
    return {s.Subject, s.Sender, s.Size, ids, s.Action, s.Pending};
}

QByteArray iniFor(const Dovecot::User &user, const QByteArray &security, const QByteArray &filter)
{
    const bool implicitTls = security == "tls";
    return "[Main]\r\nECount=1\r\nCheckAllWhenGoingOnline=0\r\nKeepLogFile=1\r\nFilterCount=1\r\n"
           "[Filter 0]\r\nIfCondition=3\r\nAccount=0\r\nAction=0\r\nArgument=" + filter +
           "\r\n[1]\r\nName=box\r\nHost=127.0.0.1:" +
           QByteArray::number(implicitTls ? Dovecot::tlsPort() : Dovecot::plainPort()) + "\r\nUserID=" + user.name +
           "\r\nPassword=" + TIniFile::encodeStoredPassword(user.password) + "\r\nSecurity=" + security +
           "\r\nCertFingerprint=" + Dovecot::certFingerprint() + "\r\n";
}

Outcome runPath(const Box &box, const QByteArray &filter, const QByteArray &security)
{
    Outcome out;
    const Dovecot::User user = Dovecot::addUser("pipe");
    Dovecot::deliver(user, box);
    const QHash<QByteArray, QByteArray> places = placesOf(user);
    EngineFixture fx;
    fx.writeIni(iniFor(user, security, filter));
    TCheckEngine &w = fx.start();
    w.Accounts.slot(1).CheckTimer->stop();
    TNMPOP3 *pop = w.Accounts.slot(1).Pop3;
    TMailSummary &s = *w.Accounts.slot(1).MailSummary;
    auto check = [&] {
        syncWait(w.checkmail(1, pop));
        out.tops << pop->commandCount("TOP");
        // Every "UIDL" and "LIST" beyond the two listings is a per-message command.
        out.perMessage << pop->commandCount("UIDL") + pop->commandCount("LIST") - 2;
    };

    check();
    out.first = listsOf(s, places);
    if (s.UniqueID.size() > 1)
        s.queueDeletion(s.UniqueID.at(1));
    check();
    out.second = listsOf(s, places);

    const QByteArrayList records = SettingsDir::readFile(fx.filePath(QStringLiteral("vorlolog.log"))).split('\n');
    for (const QByteArray &record : records) {
        if (record.isEmpty())
            continue;
        QByteArrayList fields = record.split('|');
        fields.removeFirst();
        fields.last() = placeOf(places, fields.last().chopped(1) + "\r\n");
        out.log << fields.join('|');
    }
    out.left = Dovecot::messages(user);
    return out;
}

Box mixedBox()
{
    return {Dovecot::message("From: Shop <shop@example.org>\r\nSubject: Offer A"),
            Dovecot::message("From:ann@example.org\r\nsubject: lower case\r\nSubject: Hello\r\nSubject: Later wins"),
            Dovecot::message("Subject: Offer B\r\n\tfolded on\r\nFrom: \"Bob\" <bob@example.org>", QByteArray(5000, 'b')),
            Dovecot::message("X-Note: neither subject nor sender"),
            Dovecot::message("Subject:  =?UTF-8?B?w6TDtsO8?=\r\nFrom: =?UTF-8?Q?J=C3=BCrgen?= <j@example.org>"),
            Dovecot::message("Subject: Offer C\r\nFrom: Shop <shop@example.org>", QByteArray(3000, 'c') + "\r\n")};
}

// More messages than the pipeline keeps in flight, so its window refills many times.
Box largeBox(int count)
{
    Box box;
    for (int i = 1; i <= count; ++i)
        box << Dovecot::message("From: Sender " + QByteArray::number(i) + " <s@example.org>\r\nSubject: Number " +
                                    QByteArray::number(i),
                                QByteArray(100 * (i % 37), 'x') + "\r\n");
    return box;
}

} // namespace

class TestCheckPipeline : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(Dovecot::load(&why), qPrintable(why));
    }

    void samePathResults_data();
    void samePathResults();
    void cacheFollowsTheAccount();
};

void TestCheckPipeline::samePathResults_data()
{
    QTest::addColumn<Box>("box");
    QTest::addColumn<QByteArray>("filter");
    QTest::addColumn<QByteArray>("security");
    QTest::newRow("mixed headers, STLS") << mixedBox() << QByteArray("Offer") << QByteArray("starttls");
    QTest::newRow("150 messages, implicit TLS") << largeBox(150) << QByteArray("7") << QByteArray("tls");
    QTest::newRow("one message") << Box{Dovecot::message("Subject: only")} << QByteArray("nothing") << QByteArray("starttls");
}

void TestCheckPipeline::samePathResults()
{
    QFETCH(Box, box);
    QFETCH(QByteArray, filter);
    QFETCH(QByteArray, security);
    const Outcome plain = runPath(box, filter, "none");
    const Outcome piped = runPath(box, filter, security);

    QCOMPARE(piped.first, plain.first);
    QCOMPARE(piped.second, plain.second);
    QCOMPARE(piped.log, plain.log);
    QCOMPARE(piped.left, plain.left);
    // The filter and the hand-queued id both deleted something, and it was logged.
    QVERIFY(plain.log.size() >= 1);
    QCOMPARE(qsizetype(plain.left.size()), box.size() - plain.log.size());

    // One at a time: every message costs "TOP", "LIST n" and "UIDL n" on every check.
    const int firstCount = int(box.size());
    const int secondCount = int(plain.first.at(0).size()) - 1;
    QCOMPARE(plain.tops, QList<int>({firstCount, secondCount}));
    QCOMPARE(plain.perMessage, QList<int>({2 * firstCount - 1, 2 * secondCount - 1}));
    // Pipelined: headers of new messages only, ids and sizes from the two listings.
    QCOMPARE(piped.tops, QList<int>({firstCount, 0}));
    QCOMPARE(piped.perMessage, QList<int>({0, 0}));
}

void TestCheckPipeline::cacheFollowsTheAccount()
{
    const Dovecot::User one = Dovecot::addUser("cacheone");
    const Dovecot::User two = Dovecot::addUser("cachetwo");
    Dovecot::deliver(one, {Dovecot::message("Subject: one A"), Dovecot::message("Subject: one B"),
                           Dovecot::message("Subject: one C")});
    Dovecot::deliver(two, {Dovecot::message("Subject: two A"), Dovecot::message("Subject: two B")});
    EngineFixture fx;
    auto section = [](int n, const Dovecot::User &user) {
        return "[" + QByteArray::number(n) + "]\r\nName=" + user.name + "\r\nHost=127.0.0.1:" +
               QByteArray::number(Dovecot::plainPort()) + "\r\nUserID=" + user.name + "\r\nPassword=" +
               TIniFile::encodeStoredPassword(user.password) + "\r\nSecurity=starttls\r\nCertFingerprint=" +
               Dovecot::certFingerprint() + "\r\n";
    };
    fx.writeIni("[Main]\r\nECount=2\r\nCheckAllWhenGoingOnline=0\r\n" + section(1, one) + section(2, two));
    TCheckEngine &w = fx.start();
    w.Accounts.slot(1).CheckTimer->stop();
    w.Accounts.slot(2).CheckTimer->stop();
    auto check = [&](int n) {
        syncWait(w.checkmail(n, w.Accounts.slot(n).Pop3));
        return w.Accounts.slot(n).Pop3->commandCount("TOP");
    };
    auto subjects = [&](int n) { return w.Accounts.slot(n).MailSummary->Subject; };

    QCOMPARE(check(1), 3);
    QCOMPARE(check(2), 2);
    QCOMPARE(check(2), 0);

    // The second account moves into slot 1; its cache goes with it.
    w.deleteAccount(1);
    w.Accounts.slot(1).CheckTimer->stop();
    QCOMPARE(w.Accounts.data(1).UserID, two.name);
    QCOMPARE(check(1), 0);
    QCOMPARE(subjects(1), QByteArrayList({"Subject", " two A", " two B"}));

    // Only new ids cost a header read; a deleted message leaves the cache.
    Dovecot::deliver(two, {Dovecot::message("Subject: two C")});
    QCOMPARE(check(1), 1);
    QCOMPARE(subjects(1), QByteArrayList({"Subject", " two A", " two B", " two C"}));
    w.Accounts.slot(1).MailSummary->queueDeletion(w.Accounts.slot(1).MailSummary->UniqueID.at(1));
    QCOMPARE(check(1), 0);
    QCOMPARE(subjects(1), QByteArrayList({"Subject", " two B", " two C"}));
    QCOMPARE(check(1), 0);

    // Another user, or another server text for the same box, empties the cache.
    w.Accounts.data(1).UserID = one.name;
    w.Accounts.data(1).Password = one.password;
    QCOMPARE(check(1), 3);
    QCOMPARE(subjects(1), QByteArrayList({"Subject", " one A", " one B", " one C"}));
    w.Accounts.data(1).Host = "localhost:" + QByteArray::number(Dovecot::plainPort());
    QCOMPARE(check(1), 3);
    QCOMPARE(check(1), 0);
}

QTEST_GUILESS_MAIN(TestCheckPipeline)
#include "tst_checkpipeline.moc"
