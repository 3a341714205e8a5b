// Accounts that sign in beyond the designed password: secrets in the keyring, OAuth2 tokens
// from a command or from a sign-in with refresh, against the test Dovecot.
#include "EngineFixture.h"

#include "fakes/FakeSecretStore.h"
#include "fixtures/AuthServer.h"
#include "fixtures/Dovecot.h"
#include "fixtures/ScriptedBrowser.h"
#include "fixtures/SyncWait.h"
#include "fixtures/TokenVerdicts.h"

#include <QSignalSpy>
#include <QtTest>

class TestCheckSignIn : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(Dovecot::load(&why), qPrintable(why));
        QVERIFY2(m_verdicts.start(&why), qPrintable(why));
        QVERIFY(m_auth.listen());
        // Dovecot takes exactly the access tokens our authorization server issued.
        connect(&m_auth, &AuthServer::answered, this, [this] {
            for (const QString &token : m_auth.accessTokens())
                m_verdicts.accept(token.toLatin1(), m_user.name);
        });
    }

    void keyringHoldsThePassword()
    {
        EngineFixture f;
        FakeSecretStore keyring;
        f.writeIni(account("SecretStore=keyring\r\n", false));
        TCheckEngine &engine = f.start();
        keyring.secrets().insert(TCheckEngine::secretKey(engine.Accounts.data(1), "password"), m_user.password);
        QVERIFY(check(engine));
        QCOMPARE(engine.Accounts.data(1).MailCount, 1);
        // Saving keeps the password out of the file.
        TIniFile ini(f.iniPath());
        engine.writeAccounts(ini);
        QCOMPARE(ini.readStoredPassword("1", "Password"), QByteArray());
        QCOMPARE(ini.readString("1", "SecretStore", ""), QByteArray("keyring"));
    }

    // A locked keyring fails the check with its reason and never falls back to the file.
    void lockedKeyringFailsTheCheck()
    {
        EngineFixture f;
        FakeSecretStore keyring;
        keyring.setLocked(true);
        f.writeIni(account("SecretStore=keyring\r\n", false));
        TCheckEngine &engine = f.start();
        QVERIFY(!check(engine));
        QVERIFY2(engine.Accounts.data(1).LastError.contains(QLatin1String("locked")),
                 qPrintable(engine.Accounts.data(1).LastError));
    }

    // A move to the keyring that never happened leaves the password in the file: it is used,
    // and saving keeps it there.
    void unfinishedMoveKeepsTheFilePassword()
    {
        EngineFixture f;
        FakeSecretStore keyring;
        keyring.setLocked(true);
        f.writeIni(account("SecretStore=keyring\r\n", true));
        TCheckEngine &engine = f.start();
        QVERIFY(check(engine));
        TIniFile ini(f.iniPath());
        engine.writeAccounts(ini);
        QCOMPARE(ini.readStoredPassword("1", "Password"), m_user.password);
    }

    void switchingTheStoreMovesTheSecret()
    {
        EngineFixture f;
        FakeSecretStore keyring;
        f.writeIni(account({}, true));
        TCheckEngine &engine = f.start();
        const QString key = TCheckEngine::secretKey(engine.Accounts.data(1), "password");

        engine.Accounts.data(1).SecretStore = "keyring";
        engine.storeSecrets();
        QTRY_COMPARE_WITH_TIMEOUT(engine.Accounts.data(1).SecretsAt, QByteArray("keyring"), 5000);
        QCOMPARE(keyring.secrets().value(key), m_user.password);
        QCOMPARE(TIniFile(f.iniPath()).readStoredPassword("1", "Password"), QByteArray());

        // Back, from a run that never read the keyring.
        engine.Accounts.data(1).Password.clear();
        engine.Accounts.data(1).SecretsLoaded = false;
        engine.Accounts.data(1).SecretStore = "file";
        engine.storeSecrets();
        QTRY_COMPARE_WITH_TIMEOUT(engine.Accounts.data(1).SecretsAt, QByteArray("file"), 5000);
        QVERIFY(!keyring.secrets().contains(key));
        QCOMPARE(TIniFile(f.iniPath()).readStoredPassword("1", "Password"), m_user.password);

        // A locked keyring leaves the secret where it was and says why.
        keyring.setLocked(true);
        QSignalSpy failed(&engine, &TCheckEngine::secretsFailed);
        engine.Accounts.data(1).SecretStore = "keyring";
        engine.storeSecrets();
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 5000);
        QCOMPARE(engine.Accounts.data(1).SecretsAt, QByteArray("file"));
        QCOMPARE(TIniFile(f.iniPath()).readStoredPassword("1", "Password"), m_user.password);
    }

    void oauthTokens_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<bool>("refuseRefresh");
        QTest::addColumn<QString>("failure");
        QTest::newRow("command prints the token")
            << QByteArray("OAuthProvider=command\r\nOAuthCommand=/bin/echo cmd-token\r\n") << false << QString();
        QTest::newRow("command fails") << QByteArray("OAuthProvider=command\r\nOAuthCommand=/bin/false\r\n") << false
                                       << QStringLiteral("exit");
        QTest::newRow("refresh token gives an access token") << QByteArray("REFRESH") << false << QString();
        QTest::newRow("refused refresh") << QByteArray("REFRESH") << true << QStringLiteral("sign in again");
        QTest::newRow("never signed in") << QByteArray("NOREFRESH") << false << QStringLiteral("Not signed in");
    }
    void oauthTokens()
    {
        QFETCH(QByteArray, extra);
        QFETCH(bool, refuseRefresh);
        QFETCH(QString, failure);
        m_auth.setRefuseRefresh(refuseRefresh);
        if (extra == "REFRESH" || extra == "NOREFRESH") {
            const bool signedIn = extra == "REFRESH";
            extra = customProvider();
            if (signedIn)
                extra += "OAuthRefreshToken=" + TIniFile::encodeStoredPassword(m_auth.grantRefreshToken().toLatin1())
                         + "\r\n";
        }
        EngineFixture f;
        f.writeIni(account("Auth=oauth2\r\n" + extra, false));
        m_verdicts.accept("cmd-token", m_user.name);
        TCheckEngine &engine = f.start();
        const bool ok = check(engine);
        const QString error = engine.Accounts.data(1).LastError;
        QVERIFY2(ok == failure.isEmpty() && error.contains(failure, Qt::CaseInsensitive), qPrintable(error));
        if (ok)
            QCOMPARE(engine.Accounts.data(1).MailCount, 1);
        m_auth.setRefuseRefresh(false);
    }

    // "Sign in..." keeps the refresh token with the account, and the next check logs in with
    // the access token of the sign-in, without a refresh.
    void signInThenCheck()
    {
        EngineFixture f;
        f.writeIni(account("Auth=oauth2\r\n" + customProvider(), false));
        TCheckEngine &engine = f.start();
        ScriptedBrowser browser;
        syncWait(engine.signIn(1, TCheckEngine::oauthConfigOf(engine.Accounts.data(1)), browser.opener()));
        const QByteArray refresh = engine.Accounts.data(1).RefreshToken;
        QVERIFY(!refresh.isEmpty());
        QCOMPARE(TIniFile(f.iniPath()).readStoredPassword("1", "OAuthRefreshToken"), refresh);
        const qsizetype refreshes = m_auth.exchangesOf("/token", QStringLiteral("refresh_token")).size();
        QVERIFY(check(engine));
        QCOMPARE(m_auth.exchangesOf("/token", QStringLiteral("refresh_token")).size(), refreshes);
    }

    // Accounts that never chose these settings are saved as before.
    void designedAccountsKeepTheirKeys()
    {
        EngineFixture f;
        f.writeIni(account({}, true));
        TCheckEngine &engine = f.start();
        TIniFile ini(f.iniPath());
        engine.writeAccounts(ini);
        const QByteArray saved = f.readIni();
        for (const char *key : {"Auth=", "SecretStore=", "OAuth"})
            QVERIFY2(!saved.contains(key), key);
    }

private:
    QByteArray account(const QByteArray &extra, bool passwordInFile)
    {
        m_user = Dovecot::addUser("signin");
        Dovecot::deliver(m_user, {Dovecot::message("Subject: hello")});
        return "[Main]\r\nECount=1\r\n[1]\r\nName=acct\r\nHost=127.0.0.1:" + QByteArray::number(Dovecot::plainPort())
               + "\r\nUserID=" + m_user.name + "\r\nPassword="
               + (passwordInFile ? TIniFile::encodeStoredPassword(m_user.password) : QByteArray())
               + "\r\nSecurity=none\r\nActive=1\r\nTimer=3600000\r\n" + extra;
    }

    QByteArray customProvider() const
    {
        return "OAuthProvider=custom\r\nOAuthClientId=" + m_auth.clientId().toLatin1() + "\r\nOAuthAuthUrl="
               + m_auth.url(QStringLiteral("/authorize")).toEncoded() + "\r\nOAuthTokenUrl="
               + m_auth.url(QStringLiteral("/token")).toEncoded() + "\r\nOAuthScope=mail\r\n";
    }

    // Runs one check of account 1; whether it succeeded.
    static bool check(TCheckEngine &engine)
    {
        QSignalSpy finished(&engine, &TCheckEngine::checkFinished);
        engine.startCheck(1);
        // A check that cannot log in may end before startCheck returns.
        if (finished.isEmpty() && !finished.wait(20000))
            return false;
        return !finished.first().at(1).toBool();
    }

    TokenVerdicts m_verdicts;
    AuthServer m_auth;
    Dovecot::User m_user;
};

QTEST_GUILESS_MAIN(TestCheckSignIn)
#include "tst_checksignin.moc"
