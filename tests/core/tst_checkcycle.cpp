// One check of one account against the private test Dovecot: count, summaries, filters,
// deletions, the log, the result on screen and the sounds.
#include "fixtures/SyncWait.h"
#include "CheckerFixture.h"
#include "FakeTray.h"

#include "core/ui/TCheckerField.h"
#include "fixtures/Dovecot.h"
#include "mail/TMailSummary.h"
#include "net/TNMPOP3.h"
#include "fakes/RecordingSoundPlayer.h"
#include "fakes/ScriptedUserPrompts.h"

#include <QtTest>

class TestCheckCycle : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void filtersAndQueuedDeletions();
    void passwordPrompt();
    void emptyAndGoneIds();
    void sounds_data();
    void sounds();

private:
    // A window with one account on the test server for `user`.
    TF_CheckerWindow &startOn(CheckerFixture &fx, const Dovecot::User &user, const QByteArray &extra = {});
    void check(TF_CheckerWindow &w, int n = 1) { syncWait(w.checkmail(n, w.Accounts.slot(n).Pop3)); }
};

void TestCheckCycle::initTestCase()
{
    QString why;
    QVERIFY2(Dovecot::load(&why), qPrintable(why));
}

TF_CheckerWindow &TestCheckCycle::startOn(CheckerFixture &fx, const Dovecot::User &user, const QByteArray &extra)
{
    fx.writeIni("[Main]\r\nECount=1\r\nCheckAllWhenGoingOnline=0\r\n[1]\r\nName=test box\r\nHost=127.0.0.1:" +
                QByteArray::number(Dovecot::plainPort()) + "\r\nUserID=" + user.name +
                "\r\nSecurity=none\r\nPassword=" + TIniFile::encodeStoredPassword(user.password) + "\r\n" + extra);
    TF_CheckerWindow &w = fx.start();
    // Only the test drives checks here.
    w.Accounts.slot(1).CheckTimer->stop();
    return w;
}

void TestCheckCycle::filtersAndQueuedDeletions()
{
    const Dovecot::User user = Dovecot::addUser("cycle");
    Dovecot::deliver(user, {Dovecot::message("From: Shop <shop@example.org>\r\nSubject: Offer A"),
                            Dovecot::message("From: Ann <ann@example.org>\r\nSubject: Hello"),
                            Dovecot::message("From: Shop <shop@example.org>\r\nSubject: Offer B"),
                            Dovecot::message("From: Bob <bob@example.org>\r\nSubject: Meeting"),
                            Dovecot::message("Subject: Other")});
    CheckerFixture fx;
    TF_CheckerWindow &w = startOn(fx, user);
    FakeTray tray;
    w.setTrayIcon(&tray);

    check(w);
    QCOMPARE(w.Accounts.data(1).MailCount, 5);
    const TMailSummary &s = *w.Accounts.slot(1).MailSummary;
    QCOMPARE(s.Subject, QByteArrayList({"Subject", " Offer A", " Hello", " Offer B", " Meeting", " Other"}));
    QCOMPARE(s.Sender.at(2), QByteArray(" Ann <ann@example.org>"));
    QCOMPARE(s.Sender.at(5), QByteArray());
    QCOMPARE(s.Size.size(), 6);
    QCOMPARE(s.Size.at(1), QByteArray("1 kB"));
    QCOMPARE(s.UniqueID.size(), 6);
    QCOMPARE(s.Action, QByteArrayList{"Action"}); // nothing marked
    QVERIFY(s.UniqueID.at(4).endsWith("\r\n"));
    QCOMPARE(w.EShowVar(1)->text(), QStringLiteral("5"));
    QCOMPARE(tray.hintText, QStringLiteral("You have 5 new Mails"));
    QCOMPARE(tray.still, 1);

    // Queue "Meeting" by hand, then let a rule take both offers.
    w.Accounts.slot(1).MailSummary->queueDeletion(s.UniqueID.at(4));
    w.Filters = {TFilter{3, 0, 0, "Offer"}};
    check(w);

    QCOMPARE(w.Accounts.data(1).MailCount, 2);
    QCOMPARE(w.EShowVar(1)->text(), QStringLiteral("2"));
    QVERIFY(s.Pending.isEmpty());
    QCOMPARE(s.Subject, QByteArrayList({"Subject", " Hello", " Other"}));
    const QList<QByteArray> left = Dovecot::messages(user);
    QCOMPARE(left.size(), 2);
    QVERIFY(left.at(0).contains("Subject: Hello"));
    QVERIFY(left.at(1).contains("Subject: Other"));

    // One record per deletion, highest message number first.
    QFile log(fx.dir.filePath(QStringLiteral("vorlolog.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArrayList records = log.readAll().split('\n');
    QCOMPARE(records.size(), 4); // three lines and the empty rest after the last line end
    const QByteArrayList subjects{" Meeting", " Offer B", " Offer A"};
    for (int i = 0; i < 3; ++i) {
        const QByteArrayList fields = records.at(i).split('|');
        QVERIFY2(fields.size() >= 6, records.at(i).constData());
        QVERIFY(fields.contains("Deleted"));
        QVERIFY(fields.contains("test box"));
        QVERIFY(fields.contains(subjects.at(i)));
        QVERIFY(records.at(i).endsWith('\r'));
    }
}

void TestCheckCycle::passwordPrompt()
{
    const Dovecot::User user = Dovecot::addUser("prompt");
    Dovecot::deliver(user, {Dovecot::message("Subject: one")});
    CheckerFixture fx;
    TF_CheckerWindow &w = startOn(fx, user, "SavePwd=0\r\n");
    w.Accounts.data(1).Password.clear();
    ScriptedUserPrompts prompts;

    // Cancelled: error colour, no password, the next check asks again.
    prompts.answerCancel();
    check(w);
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Error);
    QVERIFY(w.Accounts.data(1).Password.isEmpty());
    QVERIFY(!w.Accounts.data(1).Busy);
    QCOMPARE(prompts.asked().size(), 1);
    QCOMPARE(prompts.asked().at(0).text, QStringLiteral("Password at test box:"));
    QCOMPARE(w.Accounts.data(1).LastError, QStringLiteral("Password Input Canceled"));

    // A wrong password stays in memory: later checks fail without asking again.
    prompts.answerText(QStringLiteral("wrong"));
    check(w);
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Error);
    QCOMPARE(w.Accounts.data(1).Password, QByteArray("wrong"));
    QVERIFY(w.EShowVar(1)->toolTip().contains(QStringLiteral("Authentication failed")) ||
            w.EShowVar(1)->toolTip().contains(QStringLiteral("-ERR")));
    check(w);
    QCOMPARE(prompts.asked().size(), 2);
    QCOMPARE(w.EShowVar(1)->text(), QString());

    // The right one, once, serves every later check; the tooltip loses the reason.
    w.Accounts.data(1).Password.clear();
    prompts.answerText(QString::fromUtf8(user.password));
    check(w);
    check(w);
    QCOMPARE(prompts.asked().size(), 3);
    QCOMPARE(w.EShowVar(1)->text(), QStringLiteral("1"));
    // The account checks the plain port without encryption, and its hint says so.
    QCOMPARE(w.EShowVar(1)->toolTip(), QStringLiteral("test box (not encrypted)"));
    // Never written to the file while "SavePwd" is off.
    w.saveSettings();
    QCOMPARE(TIniFile(fx.iniPath()).readString("1", "Password", "x"), QByteArray());
}

void TestCheckCycle::emptyAndGoneIds()
{
    const Dovecot::User user = Dovecot::addUser("empty");
    CheckerFixture fx;
    TF_CheckerWindow &w = startOn(fx, user);
    FakeTray tray;
    w.setTrayIcon(&tray);
    w.Accounts.slot(1).MailSummary->queueDeletion("no-such-id\r\n");
    check(w);
    const TMailSummary &s = *w.Accounts.slot(1).MailSummary;
    QCOMPARE(w.Accounts.data(1).MailCount, 0);
    QCOMPARE(s.Subject, QByteArrayList{"Subject"});
    QCOMPARE(s.UniqueID, QByteArrayList{"UniqueID"});
    QCOMPARE(tray.hintText, QStringLiteral("You have 0 new Mails"));
    QCOMPARE(tray.still, 0);
    QCOMPARE(w.EShowVar(1)->text(), QStringLiteral("0"));

    // With mail: an id that is no longer on the server is dropped, nothing is deleted.
    Dovecot::deliver(user, {Dovecot::message("Subject: keep")});
    check(w);
    QCOMPARE(w.Accounts.data(1).MailCount, 1);
    QVERIFY(s.Pending.isEmpty());
    QCOMPARE(Dovecot::messageCount(user), 1);
    QVERIFY(!QFile::exists(fx.dir.filePath(QStringLiteral("vorlolog.log"))));
}

void TestCheckCycle::sounds_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QStringList>("plays");
    QTest::newRow("never") << 0 << QStringList{};
    QTest::newRow("incoming") << 1 << QStringList{"in"};
    QTest::newRow("mail count") << 2 << QStringList{"ding", "ding", "ding"};
    QTest::newRow("both") << 3 << QStringList{"in", "ding", "ding", "ding"};
}

void TestCheckCycle::sounds()
{
    QFETCH(int, choice);
    QFETCH(QStringList, plays);
    const Dovecot::User user = Dovecot::addUser("sound");
    Dovecot::deliver(user, {Dovecot::message("Subject: 1"), Dovecot::message("Subject: 2")});
    CheckerFixture fx;
    TF_CheckerWindow &w = startOn(fx, user);
    w.Options.SoundItemIndex = choice;
    w.Options.IncomingSound = "in";
    w.Options.MailCountSound = "ding";
    RecordingSoundPlayer player;
    player.setResult(true);
    check(w);
    player.clear(); // 0 -> 2 played already; the case is 2 -> 5

    Dovecot::deliver(user, {Dovecot::message("Subject: 3"), Dovecot::message("Subject: 4"),
                            Dovecot::message("Subject: 5")});
    check(w);
    QCOMPARE(player.plays(), plays);

    // A count that drops plays nothing and shows the new count.
    player.clear();
    const QList<QByteArray> all = Dovecot::messages(user);
    QVERIFY(all.size() == 5);
    w.Accounts.slot(1).MailSummary->queueDeletion(w.Accounts.slot(1).MailSummary->UniqueID.at(5));
    check(w);
    QCOMPARE(w.Accounts.data(1).MailCount, 4);
    QVERIFY(player.plays().isEmpty());
    QCOMPARE(w.EShowVar(1)->text(), QStringLiteral("4"));

    // An account with "Sound" off never plays.
    w.Accounts.data(1).Sound = false;
    Dovecot::deliver(user, {Dovecot::message("Subject: 6")});
    check(w);
    QVERIFY(player.plays().isEmpty());
}

QTEST_MAIN(TestCheckCycle)
#include "tst_checkcycle.moc"
