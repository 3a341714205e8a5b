// The built program checking real mailboxes: filters delete and log within seconds of start,
// and an exit in the middle of a check still writes the settings.
#include "VorloProcess.h"

#include "fixtures/Dovecot.h"
#include "fixtures/ScriptServer.h"
#include "fixtures/SettingsDir.h"
#include "settings/TIniFile.h"

#include <QTemporaryDir>

class TestBlackboxCheck : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void filtersDeleteAndLog();
    void exitDuringCheck();
};

void TestBlackboxCheck::initTestCase()
{
    QString why;
    QVERIFY2(Dovecot::load(&why), qPrintable(why));
}

void TestBlackboxCheck::filtersDeleteAndLog()
{
    const Dovecot::User plain = Dovecot::addUser("bbplain");
    const Dovecot::User secure = Dovecot::addUser("bbtls");
    const QList<QByteArray> box{Dovecot::message("From: Ann <ann@example.org>\r\nSubject: Lunch?"),
                                Dovecot::message("From: Deals <deals@shop.example>\r\nSubject: Promo 1"),
                                Dovecot::message("From: Bob <bob@example.org>\r\nSubject: Report"),
                                Dovecot::message("From: Deals <deals@shop.example>\r\nSubject: Promo 2")};
    Dovecot::deliver(plain, box);
    Dovecot::deliver(secure, box);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vorlo.ini"));
    // The second account talks implicit TLS to "localhost" and trusts the pinned certificate.
    SettingsDir::writeFile(ini, "[Main]\r\nECount=2\r\nFilterCount=1\r\n"
                   "[1]\r\nName=plain box\r\nHost=127.0.0.1:" + QByteArray::number(Dovecot::plainPort()) +
                   "\r\nUserID=" + plain.name + "\r\nPassword=" + TIniFile::encodeStoredPassword(plain.password) +
                   "\r\nActive=1\r\nSecurity=none\r\n"
                   "[2]\r\nName=tls box\r\nHost=localhost:" + QByteArray::number(Dovecot::tlsPort()) +
                   "\r\nUserID=" + secure.name + "\r\nPassword=" + TIniFile::encodeStoredPassword(secure.password) +
                   "\r\nActive=1\r\nSecurity=tls\r\nCertFingerprint=" + Dovecot::certFingerprint() + "\r\n"
                   "[Filter 0]\r\nIfCondition=3\r\nAccount=0\r\nAction=0\r\nArgument=Promo\r\n");
    VorloProcess vorlo(dir.path());
    QVERIFY(vorlo.started());
    QTRY_COMPARE_WITH_TIMEOUT(Dovecot::messageCount(plain), 2, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(Dovecot::messageCount(secure), 2, 20000);
    for (const Dovecot::User *u : {&plain, &secure}) {
        const QList<QByteArray> left = Dovecot::messages(*u);
        QVERIFY(left.at(0).contains("Subject: Lunch?"));
        QVERIFY(left.at(1).contains("Subject: Report"));
    }
    const QString logPath = dir.filePath(QStringLiteral("vorlolog.log"));
    QTRY_COMPARE_WITH_TIMEOUT(SettingsDir::readFile(logPath).count('\n'), 4, 10000);
    const QByteArray log = SettingsDir::readFile(logPath);
    QCOMPARE(log.count("Deleted"), 4);
    QCOMPARE(log.count("plain box"), 2);
    QCOMPARE(log.count("tls box"), 2);
    // Highest message number first within each account.
    QVERIFY(log.indexOf("Promo 2") < log.indexOf("Promo 1"));

    QVERIFY(vorlo.terminate());
    TIniFile file(ini);
    QCOMPARE(file.readString("Main", "ECount", ""), QByteArray("2"));
    QCOMPARE(file.readString("Filter 0", "Argument", ""), QByteArray("Promo"));
    QCOMPARE(file.readString("2", "Security", ""), QByteArray("tls"));
    QCOMPARE(file.readString("2", "CertFingerprint", ""), Dovecot::certFingerprint());
    QCOMPARE(file.readString("Main", "ReleaseNr", ""), QByteArray("16"));
}

void TestBlackboxCheck::exitDuringCheck()
{
    ScriptServer server;
    QVERIFY(server.setScript("S: +OK ready\nC: USER u\nHOLD\n"));
    QVERIFY(server.listen());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vorlo.ini"));
    SettingsDir::writeFile(ini, "[Main]\r\nECount=1\r\n[1]\r\nName=silent\r\nHost=127.0.0.1:" + QByteArray::number(server.port()) +
                       "\r\nUserID=u\r\nPassword=q\r\nActive=1\r\nSecurity=none\r\n");
    VorloProcess vorlo(dir.path());
    QVERIFY(vorlo.started());
    QTRY_VERIFY_WITH_TIMEOUT(server.received().contains("USER u"), 15000);
    // The check now waits for a server that says nothing; the exit must not wait for it.
    QSignalSpy finished(&vorlo.process(), &QProcess::finished);
    vorlo.signal(SIGTERM);
    QVERIFY(finished.wait(5000));
    QCOMPARE(vorlo.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(vorlo.process().exitCode(), 0);
    TIniFile file(ini);
    QCOMPARE(file.readString("1", "Name", ""), QByteArray("silent"));
    QCOMPARE(file.readString("Main", "ReleaseNr", ""), QByteArray("16"));
}

QTEST_GUILESS_MAIN(TestBlackboxCheck)
#include "tst_blackbox_check.moc"
