// The POP3 client against the private test Dovecot (ctest fixture "dovecot"): login,
// counts, sizes, summaries, ids, deletion, time-out, and TLS with its certificate checks.
#include "fixtures/SyncWait.h"
#include "fixtures/Dovecot.h"
#include "net/TNMPOP3.h"
#include "NetTestUtil.h"

#include <QSslConfiguration>
#include <QSet>
#include <QSslCertificate>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<TNMPOP3> clientFor(const Dovecot::User &user, quint16 port, const QByteArray &security = "none")
{
    auto pop = std::make_unique<TNMPOP3>();
    pop->Host = QStringLiteral("127.0.0.1");
    pop->Port = port;
    pop->TimeOut = 10000;
    pop->UserID = user.name;
    pop->Password = user.password;
    pop->Security = security;
    return pop;
}

// Trusts the test CA for the components created while it lives.
class TrustTestCa
{
public:
    TrustTestCa() : m_saved(QSslConfiguration::defaultConfiguration())
    {
        QSslConfiguration config = m_saved;
        config.addCaCertificates(Dovecot::caCertPath());
        QSslConfiguration::setDefaultConfiguration(config);
    }
    ~TrustTestCa() { QSslConfiguration::setDefaultConfiguration(m_saved); }

private:
    QSslConfiguration m_saved;
};

} // namespace

class TstNmpop3Dovecot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(Dovecot::load(&why), qPrintable(why));
    }

    void checkReadsCountSizesSummariesAndIds()
    {
        const Dovecot::User user = Dovecot::addUser("check");
        const QList<QByteArray> mails{
            Dovecot::message("Subject: First mail\r\nFrom: Ann <ann@example.org>\r\nMessage-ID: <m1@example.org>"),
            Dovecot::message("From:bob@example.org\r\nX-Note: no subject here"),
            Dovecot::message("Subject:  =?UTF-8?B?w6TDtsO8?=\r\n\tfolded\r\nDate: Mon, 1 Jan 2024 10:00:00 +0000",
                             "a longer body\r\nwith two lines\r\n"),
        };
        Dovecot::deliver(user, mails);
        auto pop = clientFor(user, Dovecot::plainPort());
        QList<qint32> sizes;
        pop->OnList = [&](qint32 msg, qint32 size) {
            QCOMPARE(msg, qint32(sizes.size() + 1));
            sizes << size;
        };
        QStringList summaries;
        pop->OnRetrieveEnd = [&](QObject *sender) {
            auto *p = static_cast<TNMPOP3 *>(sender);
            summaries << QString::fromLatin1("[" + p->Summary.Subject + "][" + p->Summary.From + "]");
        };
        syncWait(pop->Connect());
        QCOMPARE(pop->MailCount, 3);
        syncWait(pop->List());
        QCOMPARE(sizes, (QList<qint32>{qint32(mails[0].size()), qint32(mails[1].size()), qint32(mails[2].size())}));
        QByteArrayList ids;
        for (qint32 n = 1; n <= 3; ++n) {
            syncWait(pop->GetSummary(n));
            QCOMPARE(pop->Summary.Bytes, sizes[n - 1]);
            QCOMPARE(pop->Summary.Header.last(), QByteArrayView("."));
            ids << syncWait(pop->UniqueID(n));
        }
        QCOMPARE(summaries, (QStringList{"[ First mail][ Ann <ann@example.org>]", "[][bob@example.org]",
                                         "[  =?UTF-8?B?w6TDtsO8?=][]"}));
        for (const QByteArray &id : std::as_const(ids))
            QVERIFY2(id.endsWith("\r\n") && id.size() > 2, id.constData());
        QCOMPARE(QSet<QByteArray>(ids.begin(), ids.end()).size(), 3);
        syncWait(pop->Disconnect());
        QVERIFY(!pop->Connected());
        // The same component serves the next check, with the same ids.
        syncWait(pop->Connect());
        QCOMPARE(syncWait(pop->UniqueID(2)), ids[1]);
        syncWait(pop->Disconnect());
    }

    void wrongPassword()
    {
        Dovecot::User user = Dovecot::addUser("wrong");
        user.password += "x";
        auto pop = clientFor(user, Dovecot::plainPort());
        QCOMPARE(failureOf([&] { syncWait(pop->Connect()); }), "EGeneralError: Authentication failed");
        QVERIFY(!pop->Connected());
        QVERIFY(!pop->Busy());
    }

    void deletionTakesEffectWithQuit()
    {
        const Dovecot::User user = Dovecot::addUser("dele");
        const QByteArray keep = Dovecot::message("Subject: keep");
        Dovecot::deliver(user, {Dovecot::message("Subject: delete me"), keep});
        auto pop = clientFor(user, Dovecot::plainPort());
        int successes = 0;
        pop->OnSuccess = [&](QObject *) { ++successes; };

        // Dropped without QUIT: nothing is deleted.
        syncWait(pop->Connect());
        syncWait(pop->DeleteMailMessage(1));
        pop->Abort();
        QCOMPARE(Dovecot::messageCount(user), 2);

        syncWait(pop->Connect());
        QCOMPARE(pop->MailCount, 2);
        syncWait(pop->DeleteMailMessage(1));
        QCOMPARE(failureOf([&] { syncWait(pop->DeleteMailMessage(1)); }).left(19), "EGeneralError: -ERR");
        syncWait(pop->Disconnect());
        QCOMPARE(successes, 2);
        QCOMPARE(Dovecot::messages(user), QList<QByteArray>{keep});
    }

    void timeOutDropsTheConnection()
    {
        const Dovecot::User user = Dovecot::addUser("timeout");
        auto pop = clientFor(user, Dovecot::plainPort());
        syncWait(pop->Connect());
        pop->TimeOut = 300;
        // The server waits for a command that never comes.
        QCOMPARE(failureOf([&] { syncWait(pop->ReadLn()); }), "EAbortError: Socket readln aborted");
        QVERIFY(!pop->Connected());
        QCOMPARE(failureOf([&] { syncWait(pop->List()); }), "EGeneralError: Not Connected");
    }

    void tls_data()
    {
        QTest::addColumn<bool>("tlsPort");
        QTest::addColumn<QByteArray>("security");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("pin");     // "" none, "right", "wrong"
        QTest::addColumn<bool>("trustCa");
        QTest::addColumn<QString>("failure"); // part of the failure text; "" = success
        QTest::newRow("implicit TLS, pinned") << true << QByteArray("tls") << "127.0.0.1" << "right" << false << "";
        QTest::newRow("STLS, pinned") << false << QByteArray("starttls") << "127.0.0.1" << "right" << false << "";
        QTest::newRow("auto takes STLS") << false << QByteArray("auto") << "127.0.0.1" << "right" << false << "";
        QTest::newRow("trusted CA, right host") << true << QByteArray("tls") << "localhost" << "" << true << "";
        QTest::newRow("untrusted, no plain fall-back") << false << QByteArray("auto") << "localhost" << "" << false
            << "ESockError: TLS handshake failed: The issuer certificate of a locally looked up certificate could not be found";
        QTest::newRow("implicit TLS untrusted") << true << QByteArray("tls") << "localhost" << "" << false
            << "ESockError: TLS handshake failed: The issuer certificate";
        QTest::newRow("trusted CA, host not in certificate") << true << QByteArray("tls") << "127.0.0.1" << "" << true
            << "ESockError: TLS handshake failed: The host name did not match any of the valid hosts for this certificate";
        // A pin that does not match says so, whatever the trust store thinks of the certificate.
        QTest::newRow("wrong pin on an untrusted certificate") << true << QByteArray("tls") << "localhost" << "wrong" << false
            << "ESockError: TLS handshake failed: the certificate does not match the pinned fingerprint";
        QTest::newRow("wrong pin on a trusted certificate") << true << QByteArray("tls") << "localhost" << "wrong" << true
            << "ESockError: TLS handshake failed: the certificate does not match the pinned fingerprint";
    }
    void tls()
    {
        QFETCH(bool, tlsPort);
        QFETCH(QByteArray, security);
        QFETCH(QString, host);
        QFETCH(QString, pin);
        QFETCH(bool, trustCa);
        QFETCH(QString, failure);
        std::unique_ptr<TrustTestCa> trust(trustCa ? new TrustTestCa : nullptr);
        const Dovecot::User user = Dovecot::addUser("tls");
        Dovecot::deliver(user, {Dovecot::message("Subject: secret")});
        auto pop = clientFor(user, tlsPort ? Dovecot::tlsPort() : Dovecot::plainPort(), security);
        pop->Host = host;
        if (pin == QLatin1String("right"))
            pop->CertFingerprint = Dovecot::certFingerprint().toLower(); // any case, colons allowed
        if (pin == QLatin1String("wrong"))
            pop->CertFingerprint = QByteArray(64, 'a');
        const QString raised = failureOf([&] { syncWait(pop->Connect()); });
        if (failure.isEmpty()) {
            QCOMPARE(raised, QString());
            QVERIFY(pop->Encrypted());
            QCOMPARE(pop->MailCount, 1);
            QVERIFY(pop->Capabilities.contains("USER"));
            syncWait(pop->GetSummary(1));
            QCOMPARE(pop->Summary.Subject, QByteArray(" secret"));
            syncWait(pop->Disconnect());
        } else {
            QVERIFY2(raised.startsWith(failure), qPrintable(raised));
            QVERIFY(!pop->Connected());
            if (pin.isEmpty() && !trustCa)
                QVERIFY2(raised.contains(QLatin1String("certificate SHA-256")), qPrintable(raised));
        }
    }
};

QTEST_GUILESS_MAIN(TstNmpop3Dovecot)
#include "tst_nmpop3_dovecot.moc"
