// "auto" connection security decides once, against the private test Dovecot: the first
// successful check that upgrades with STLS stores "starttls", so a man in the middle who
// later strips STLS from the capability list gets a failed check and no password, while an
// account that really checks in plain text says so in its hint.
#include "fixtures/SyncWait.h"
#include "CheckerFixture.h"

#include "core/ui/TCheckerField.h"
#include "fixtures/Dovecot.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>

namespace {

// A relay on loopback in front of the test server that removes the "STLS" line from what
// the server sends and keeps every line the client sends.
class StlsStripper : public QObject
{
public:
    explicit StlsStripper(quint16 target) : m_target(target)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &StlsStripper::accept);
    }
    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return m_server.serverPort(); }
    QByteArrayList sent() const { return m_sent.split('\n'); }

private:
    void accept()
    {
        while (QTcpSocket *client = m_server.nextPendingConnection()) {
            client->setParent(this);
            auto *server = new QTcpSocket(this);
            // Owned by the connection below, which goes with the socket.
            auto fromServer = std::make_shared<QByteArray>();
            connect(client, &QTcpSocket::readyRead, this, [this, client, server] {
                const QByteArray bytes = client->readAll();
                m_sent += bytes;
                server->write(bytes);
            });
            connect(server, &QTcpSocket::readyRead, this, [client, server, fromServer] {
                *fromServer += server->readAll();
                qsizetype end;
                while ((end = fromServer->indexOf('\n')) >= 0) {
                    const QByteArray line = fromServer->left(end + 1);
                    fromServer->remove(0, end + 1);
                    if (line.trimmed().toUpper() != "STLS")
                        client->write(line);
                }
            });
            connect(server, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
            connect(client, &QTcpSocket::disconnected, server, &QTcpSocket::disconnectFromHost);
            server->connectToHost(QHostAddress::LocalHost, m_target);
        }
    }

    QTcpServer m_server;
    quint16 m_target;
    QByteArray m_sent;
};

} // namespace

class TestCheckSecurity : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(Dovecot::load(&why), qPrintable(why));
    }
    void autoDecidesOnce();
    void plainTextSaysSo();

private:
    TF_CheckerWindow &startOn(CheckerFixture &fx, const Dovecot::User &user, quint16 port)
    {
        fx.writeIni("[Main]\r\nECount=1\r\nCheckAllWhenGoingOnline=0\r\n[1]\r\nName=box\r\nHost=127.0.0.1:" +
                    QByteArray::number(port) + "\r\nUserID=" + user.name + "\r\nPassword=" +
                    TIniFile::encodeStoredPassword(user.password) + "\r\nSecurity=auto\r\nCertFingerprint=" +
                    Dovecot::certFingerprint() + "\r\n");
        TF_CheckerWindow &w = fx.start();
        w.Accounts.slot(1).CheckTimer->stop();
        return w;
    }
    static void check(TF_CheckerWindow &w) { syncWait(w.checkmail(1, w.Accounts.slot(1).Pop3)); }
};

void TestCheckSecurity::autoDecidesOnce()
{
    const Dovecot::User user = Dovecot::addUser("auto");
    Dovecot::deliver(user, {Dovecot::message("Subject: one")});
    CheckerFixture fx;
    TF_CheckerWindow &w = startOn(fx, user, Dovecot::plainPort());

    check(w);
    QCOMPARE(w.Accounts.data(1).LastError, QString());
    QCOMPARE(w.Accounts.data(1).Security, QByteArray("starttls"));
    QCOMPARE(TIniFile(fx.dir.filePath(QStringLiteral("vorlo.ini"))).readString("1", "Security", ""),
             QByteArray("starttls"));
    QCOMPARE(w.EShowVar(1)->toolTip(), QStringLiteral("box"));

    // The same server behind a relay that strips the offer.
    StlsStripper stripper(Dovecot::plainPort());
    QVERIFY(stripper.listen());
    w.Accounts.data(1).Host = "127.0.0.1:" + QByteArray::number(stripper.port());
    check(w);
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Error);
    QVERIFY2(w.Accounts.data(1).LastError.contains(QLatin1String("no longer offers encryption")),
             qPrintable(w.Accounts.data(1).LastError));
    QVERIFY(!stripper.sent().contains("USER " + user.name + "\r"));
    QVERIFY(!stripper.sent().contains("PASS " + user.password + "\r"));
}

void TestCheckSecurity::plainTextSaysSo()
{
    // A new "auto" account whose server never offers STLS checks in plain text, as designed,
    // and its hint tells so; nothing is stored, so a later offer is still taken.
    const Dovecot::User user = Dovecot::addUser("plain");
    StlsStripper stripper(Dovecot::plainPort());
    QVERIFY(stripper.listen());
    CheckerFixture fx;
    TF_CheckerWindow &w = startOn(fx, user, stripper.port());

    check(w);
    QCOMPARE(w.Accounts.data(1).LastError, QString());
    QCOMPARE(w.Accounts.data(1).Security, QByteArray("auto"));
    QCOMPARE(w.EShowVar(1)->toolTip(), QStringLiteral("box (not encrypted)"));
}

QTEST_MAIN(TestCheckSecurity)
#include "tst_checksecurity.moc"
