// The account table: data that moves on deletion, objects that stay with their slot.
#include "CheckerFixture.h"

#include "core/ui/TCheckerField.h"
#include "mail/TMailSummary.h"

#include <QAction>
#include <QtTest>

class TestAccountTable : public QObject
{
    Q_OBJECT
private slots:
    void startWithThreeAccounts();
    void deleteSecondOfThree();
    void freedSlotRule();
    void summaryResetAndRemoveLine();
};

static const QByteArray threeAccounts = "[Main]\r\nECount=3\r\n"
                                        "[1]\r\nName=one\r\nHost=h1\r\nActive=1\r\nTimer=1000000\r\n"
                                        "[2]\r\nName=two\r\nHost=h2\r\nSound=0\r\n"
                                        "[3]\r\nName=three\r\nHost=h3:995\r\nList=0\r\nActive=1\r\n";

void TestAccountTable::startWithThreeAccounts()
{
    CheckerFixture fx;
    fx.writeIni(threeAccounts);
    TF_CheckerWindow &w = fx.start();
    QCOMPARE(w.Accounts.AccountCount, 3);
    QSet<QObject *> objects;
    for (int n = 1; n <= 3; ++n) {
        const TAccountSlot &s = w.Accounts.slot(n);
        const TFieldSlot &f = w.fieldSlot(n);
        QVERIFY(f.Field && s.CheckTimer && s.Pop3 && f.FieldMenu && s.MailSummary);
        objects << f.Field << s.CheckTimer << s.Pop3;
        QCOMPARE(w.slotOfField(f.Field), n);
        QCOMPARE(w.Accounts.slotOfTimer(s.CheckTimer), n);
        QCOMPARE(w.Accounts.slotOfPop3(s.Pop3), n);
        QCOMPARE(w.slotOfItem(&TFieldSlot::ResetItem, f.ResetItem), n);
    }
    QCOMPARE(objects.size(), 9);
    QVERIFY(!w.fieldSlot(0).Field);
    QCOMPARE(w.fieldSlot(0).AccountListItem->text(), QStringLiteral("All Accounts"));
    QVERIFY(!w.fieldSlot(3).MailListItem->isEnabled());
    QVERIFY(w.fieldSlot(1).MailListItem->isEnabled());
    QCOMPARE(w.fieldSlot(2).Field->toolTip(), QStringLiteral("two"));
}

void TestAccountTable::deleteSecondOfThree()
{
    CheckerFixture fx;
    fx.writeIni(threeAccounts);
    TF_CheckerWindow &w = fx.start();
    TCheckerField *thirdField = w.fieldSlot(3).Field;

    w.Accounts.removeAccountData(2);
    thirdField->hide();
    w.E_Setlengths();

    QCOMPARE(w.Accounts.AccountCount, 2);
    QCOMPARE(w.Accounts.data(2).Name, QByteArray("three"));
    QCOMPARE(w.Accounts.data(2).Host, QByteArray("h3:995"));
    QVERIFY(w.Accounts.data(2).Active);
    QVERIFY(!w.Accounts.data(2).List);
    QVERIFY(thirdField->isHidden());
    QVERIFY(w.fieldSlot(2).Field->isVisible() || !w.isVisible());
    // The second field now serves the old third account; its commands follow the data.
    QCOMPARE(w.slotOfItem(&TFieldSlot::ResetItem, w.fieldSlot(2).ResetItem), 2);
    QCOMPARE(w.slotOfField(thirdField), 0);

    // A later New reuses the third slot's objects and gets the new-account values.
    ++w.Accounts.AccountCount;
    w.E_Setlengths();
    QCOMPARE(w.fieldSlot(3).Field, thirdField);
    QVERIFY(!w.Accounts.data(3).Active);
    QCOMPARE(w.Accounts.data(3).Timer, 500000);
    QVERIFY(w.Accounts.data(3).List && w.Accounts.data(3).Show && w.Accounts.data(3).SavePwd);
    QCOMPARE(w.Accounts.data(3).MailCount, 0);
}

void TestAccountTable::freedSlotRule()
{
    CheckerFixture fx;
    fx.writeIni("[Main]\r\nECount=2\r\n[1]\r\nName=a\r\nShow=0\r\nActive=1\r\nTimer=70000\r\n"
                "[2]\r\nName=b\r\nActive=1\r\n");
    TF_CheckerWindow &w = fx.start();
    QVERIFY(w.fieldSlot(1).Field->isHidden());
    // A field hidden by "Show" off is no freed slot: a resize keeps the account's settings.
    w.E_Setlengths();
    QVERIFY(w.Accounts.data(1).Active);
    QVERIFY(!w.Accounts.data(1).Show);
    QCOMPARE(w.Accounts.data(1).Timer, 70000);

    // A slot freed by a deletion gets the freed-slot values when an account takes it again;
    // name, password and count are left to the caller.
    w.Accounts.data(2).MailCount = 4;
    w.Accounts.data(2).Password = "pw";
    w.Accounts.AccountCount = 1;
    w.fieldSlot(2).Field->hide();
    w.E_Setlengths();
    w.Accounts.AccountCount = 2;
    w.E_Setlengths();
    QVERIFY(!w.Accounts.data(2).Active);
    QVERIFY(w.Accounts.data(2).Show);
    QCOMPARE(w.Accounts.data(2).Name, QByteArray("b"));
    QCOMPARE(w.Accounts.data(2).Password, QByteArray("pw"));
    QCOMPARE(w.Accounts.data(2).MailCount, 4);
    QVERIFY(w.Accounts.data(1).Active);
}

void TestAccountTable::summaryResetAndRemoveLine()
{
    TMailSummary s;
    s.Pending = {"id-9\r\n"};
    s.Subject << " a" << " b" << " c";
    s.Sender << "x" << "y" << "z";
    s.Size << "1 kB" << "2 kB" << "3 kB";
    s.UniqueID << "u1\r\n" << "u2\r\n" << "u3\r\n";
    s.Action << "" << "Deleting..." << "";
    s.removeLine(2);
    for (const QByteArrayList *l : {&s.Subject, &s.Sender, &s.Size, &s.UniqueID, &s.Action})
        QCOMPARE(l->size(), 3);
    QCOMPARE(s.Subject.at(2), QByteArray(" c"));
    QCOMPARE(s.UniqueID.at(2), QByteArray("u3\r\n"));
    s.removeLine(17); // out of range is ignored
    s.queueDeletion("u1\r\n");
    s.queueDeletion("u1\r\n");
    QCOMPARE(s.Pending, QByteArrayList({"id-9\r\n", "u1\r\n"}));
    s.reset();
    QCOMPARE(s.Subject, QByteArrayList{"Subject"});
    QCOMPARE(s.Action, QByteArrayList{"Action"});
    QCOMPARE(s.Pending.size(), 2);
}

QTEST_MAIN(TestAccountTable)
#include "tst_accounttable.moc"
