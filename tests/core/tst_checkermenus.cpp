// The main menu and the account menus: items by object name and caption, and the account
// commands, which act on the slot of the clicked item even after a deletion moved the data.
#include "core/CheckerFixture.h"

#include "core/ui/TCheckerField.h"
#include "core/ui/TFormHooks.h"
#include "fakes/FixedDefaultHandlers.h"
#include "fakes/RecordingProcessLauncher.h"
#include "fakes/ScriptedUserPrompts.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

namespace {
QByteArray iniWith(const QByteArrayList &sections)
{
    QByteArray s = "[Main]\nECount=" + QByteArray::number(sections.size()) + "\n";
    for (qsizetype i = 0; i < sections.size(); ++i)
        s += "[" + QByteArray::number(i + 1) + "]\n" + sections.at(i);
    return s;
}

void stopTimers(TF_CheckerWindow &w)
{
    for (qint32 n = 1; n <= w.Accounts.slotCapacity(); ++n)
        if (QTimer *t = w.Accounts.slot(n).CheckTimer)
            t->stop();
}

// Caption of each item, "-" for a separator, "name:caption" where the item has an object name.
QStringList itemsOf(const QMenu *menu)
{
    QStringList items;
    for (const QAction *a : menu->actions()) {
        if (a->isSeparator())
            items << QStringLiteral("-");
        else if (a->menu())
            items << a->menu()->objectName() + QLatin1Char(':') + a->text();
        else
            items << a->objectName() + QLatin1Char(':') + a->text();
    }
    return items;
}

struct FakeMailList : IMailListView
{
    QWidget window;
    QList<int> shown;
    QWidget *widget() override { return &window; }
    int shownAccount() const override { return shown.isEmpty() ? -1 : shown.constLast(); }
    void refreshAccount(int) override {}
    void showAccount(int account) override { shown << account; }
    void rebuildAccountMenu() override {}
    void removeAccountItem(QAction *) override {}
    void resetPosition() override {}
};

struct FakePrefs : IPrefsView
{
    QWidget window;
    QList<int> shownAccounts;
    QWidget *widget() override { return &window; }
    void UpdatePrefsControls() override {}
    void setFloatingChecked(bool) override {}
    void setAlwaysOnTopChecked(bool) override {}
    void showAccount(int account) override { shownAccounts << account; }
};

const QString NoClientMessage = QStringLiteral("Default Mail Client could not be detected\n\r"
                                               "Please open your Mail Client manually.");
} // namespace

class TestCheckerMenus : public QObject
{
    Q_OBJECT
private slots:
    void mainMenu();
    void accountMenu();
    void hiddenButtons();
    void commandsFollowTheSlot();
    void launch_data();
    void launch();
    void launchFailureShowsOneMessage_data();
    void launchFailureShowsOneMessage();
};

void TestCheckerMenus::mainMenu()
{
    CheckerFixture fx;
    TF_CheckerWindow &w = fx.start();
    QCOMPARE(w.PopupMenu6->objectName(), QStringLiteral("PopupMenu6"));
    QCOMPARE(itemsOf(w.PopupMenu6),
             QStringList({"Preferences2:&Preferences...", "MailListmenu1:&Mail List...",
                          "CheckforUpdate1:Check for &Update...", "About1:&About...", "-", "Floating1:&Floating",
                          "AlwaysonTop1:Always on &Top", "SetPosition1:&Save Window Position", "-",
                          "online1:&Go Offline", "Restore1:Hide", "Checkall1:&Check all", "-", "Quit1:E&xit"}));
    QCOMPARE(itemsOf(w.SetPosition1), QStringList({"default1:Make &Default Pos", "alternate1:Make &Alternative Pos",
                                                    "-", "Reset1:&Reset Positions"}));
    QCOMPARE(w.PopupMenu6->defaultAction(), w.Checkall1);
    QVERIFY(w.Floating1->isCheckable() && !w.Floating1->isChecked());
    QVERIFY(w.AlwaysonTop1->isCheckable() && w.AlwaysonTop1->isChecked());
    // The start-up shows the window, so the show/hide item offers to hide it.
    QVERIFY(w.isVisible());
    QCOMPARE(w.Restore1->text(), QStringLiteral("Hide"));
    // The separators carry their names too.
    const QList<QAction *> actions = w.PopupMenu6->actions();
    QCOMPARE(actions.at(4)->objectName(), QStringLiteral("N1"));
    QCOMPARE(actions.at(8)->objectName(), QStringLiteral("N3"));
    QCOMPARE(actions.at(12)->objectName(), QStringLiteral("N2"));
}

void TestCheckerMenus::accountMenu()
{
    CheckerFixture fx;
    fx.writeIni(iniWith({"Name=a\nList=1\n", "Name=b\nList=0\n"}));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    for (qint32 n = 1; n <= 2; ++n) {
        const TFieldSlot &s = w.fieldSlot(n);
        QCOMPARE(s.Field->popupMenu(), s.FieldMenu);
        const QString k = QString::number(n);
        QCOMPARE(itemsOf(s.FieldMenu),
                 QStringList({"CheckNowItem" + k + ":Check Now", "LaunchItem" + k + ":Launch Email Client",
                              "ResetItem" + k + ":Reset Connection", "ZeroItem" + k + ":Set MailCount to Zero",
                              "MailListItem" + k + ":Email List...", "-", "PrefsItem" + k + ":Preferences..."}));
        QCOMPARE(s.FieldMenu->defaultAction(), s.CheckNowItem);
        QCOMPARE(s.AccountListItem->text(), n == 1 ? QStringLiteral("a") : QStringLiteral("b"));
    }
    // "Email List..." is greyed while the account's list flag is off.
    QVERIFY(w.fieldSlot(1).MailListItem->isEnabled());
    QVERIFY(!w.fieldSlot(2).MailListItem->isEnabled());
    QCOMPARE(w.AllAccountsItem->text(), QStringLiteral("All Accounts"));
    QVERIFY(w.AccountMenuSeparator->isSeparator());
}

void TestCheckerMenus::hiddenButtons()
{
    CheckerFixture fx;
    TF_CheckerWindow &w = fx.start();
    const QList<std::pair<QString, QString>> expected{{"C", "Check all"}, {"P", "Preferences"}, {"E", "Exit"}};
    for (const auto &[caption, hint] : expected) {
        auto *b = w.findChild<QPushButton *>(QStringLiteral("Button_") + caption);
        QVERIFY2(b, qPrintable(caption));
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->toolTip(), hint);
        QVERIFY(b->isHidden());
    }
}

void TestCheckerMenus::commandsFollowTheSlot()
{
    RecordingProcessLauncher launcher;
    CheckerFixture fx;
    fx.writeIni(iniWith({"Name=a\nDefaultMailClient=1\nCustomMailClientPath=/opt/a/mail\n",
                         "Name=b\nDefaultMailClient=1\nCustomMailClientPath=/opt/b/mail\n",
                         "Name=c\nDefaultMailClient=1\nCustomMailClientPath=/opt/c/mail\n"}));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    FakeMailList mailList;
    FakePrefs prefs;
    w.setMailList(&mailList);
    w.setPrefs(&prefs);
    w.Accounts.data(3).MailCount = 4;

    // Account "a" goes; "b" and "c" move down to slots 1 and 2, slot 3 holds no account.
    w.Accounts.removeAccountData(1);
    w.fieldSlot(3).Field->hide();

    w.fieldSlot(1).LaunchItem->trigger();
    QCOMPARE(launcher.starts().size(), 1);
    QCOMPARE(launcher.starts().at(0).commandLine, QStringLiteral("/opt/b/mail"));
    QCOMPARE(launcher.starts().at(0).workingDir, QStringLiteral("/opt/b"));

    w.Accounts.data(1).Busy = true;
    w.fieldSlot(1).ResetItem->trigger();
    QCOMPARE(w.Accounts.data(1).Busy, false);
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Error);
    // An idle account's reset still shows the error colour.
    w.fieldSlot(2).ResetItem->trigger();
    QCOMPARE(w.EShowVar(2)->colorValue(), w.Colors.Error);

    w.fieldSlot(2).ZeroItem->trigger();
    QCOMPARE(w.Accounts.data(2).ZeroBase, 4);
    QCOMPARE(w.EShowVar(2)->text(), QStringLiteral("0"));

    w.fieldSlot(2).MailListItem->trigger();
    QCOMPARE(mailList.shown, QList<int>{2});
    w.fieldSlot(1).PrefsItem->trigger();
    QCOMPARE(prefs.shownAccounts, QList<int>{1});

    // The items of the slot that lost its account do nothing.
    launcher.clear();
    w.fieldSlot(3).LaunchItem->trigger();
    w.fieldSlot(3).ZeroItem->trigger();
    w.fieldSlot(3).MailListItem->trigger();
    QVERIFY(launcher.starts().isEmpty());
    QCOMPARE(mailList.shown, QList<int>{2});
    QCOMPARE(w.Accounts.data(3).ZeroBase, 0);

    // The main menu's list item shows every account.
    w.MailListmenu1->trigger();
    QCOMPARE(mailList.shown, QList<int>({2, 0}));
    w.setMailList(nullptr);
    w.setPrefs(nullptr);
}

void TestCheckerMenus::launch_data()
{
    QTest::addColumn<int>("defaultClient");
    QTest::addColumn<QString>("custom");
    QTest::addColumn<QString>("mailto");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("workingDir");
    QTest::newRow("quoted default with arguments")
        << 0 << QString() << QStringLiteral("\"/usr/lib/mail app/bin/mailer\" --compose")
        << QStringLiteral("/usr/lib/mail app/bin/mailer") << QStringLiteral("/usr/lib/mail app/bin");
    QTest::newRow("default cut before its option")
        << 0 << QString() << QStringLiteral("/usr/bin/mailer -compose") << QStringLiteral("/usr/bin/mailer")
        << QStringLiteral("/usr/bin");
    QTest::newRow("a dash inside the program name stays")
        << 0 << QString() << QStringLiteral("/usr/bin/claws-mail --compose") << QStringLiteral("/usr/bin/claws-mail")
        << QStringLiteral("/usr/bin");
    QTest::newRow("default without a directory") << 0 << QString() << QStringLiteral("mailer") << QStringLiteral("mailer")
                                                 << QString();
    QTest::newRow("custom netsc in any case")
        << 1 << QStringLiteral("/opt/NetScape/NETSCAPE") << QStringLiteral("/usr/bin/other")
        << QStringLiteral("/opt/NetScape/NETSCAPE -mail") << QStringLiteral("/opt/NetScape");
    QTest::newRow("default netsc") << 0 << QString() << QStringLiteral("\"/opt/netscape/netscape\" -url")
                                   << QStringLiteral("/opt/netscape/netscape -mail") << QStringLiteral("/opt/netscape");
    QTest::newRow("netsc only in the directory") << 1 << QStringLiteral("/opt/netscape/mailer") << QString()
                                                 << QStringLiteral("/opt/netscape/mailer") << QStringLiteral("/opt/netscape");
}

void TestCheckerMenus::launch()
{
    QFETCH(int, defaultClient);
    QFETCH(QString, custom);
    QFETCH(QString, mailto);
    QFETCH(QString, commandLine);
    QFETCH(QString, workingDir);
    RecordingProcessLauncher launcher;
    FixedDefaultHandlers handlers;
    ScriptedUserPrompts prompts;
    handlers.setCommand(QStringLiteral("mailto"), mailto);
    CheckerFixture fx;
    fx.writeIni(iniWith({"Name=a\n"}));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    w.Accounts.data(1).DefaultMailClient = defaultClient;
    w.Accounts.data(1).CustomMailClientPath = custom.toUtf8();
    w.LaunchClick(1);
    QCOMPARE(launcher.starts().size(), 1);
    QCOMPARE(launcher.starts().at(0).commandLine, commandLine);
    QCOMPARE(launcher.starts().at(0).workingDir, workingDir);
    QVERIFY(prompts.asked().isEmpty());
}

void TestCheckerMenus::launchFailureShowsOneMessage_data()
{
    QTest::addColumn<int>("defaultClient");
    QTest::addColumn<QString>("mailto");
    QTest::addColumn<bool>("startFails");
    QTest::newRow("no default client") << 0 << QString() << false;
    QTest::newRow("default cut to nothing") << 0 << QStringLiteral("\"") << false;
    QTest::newRow("custom path does not start") << 1 << QString() << true;
}

void TestCheckerMenus::launchFailureShowsOneMessage()
{
    QFETCH(int, defaultClient);
    QFETCH(QString, mailto);
    QFETCH(bool, startFails);
    RecordingProcessLauncher launcher;
    launcher.setResult(!startFails);
    FixedDefaultHandlers handlers;
    if (!mailto.isEmpty())
        handlers.setCommand(QStringLiteral("mailto"), mailto);
    ScriptedUserPrompts prompts;
    prompts.answerButton(UserPrompts::Button::Ok);
    CheckerFixture fx;
    fx.writeIni(iniWith({"Name=a\nCustomMailClientPath=/nowhere/mailer\n"}));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    w.Accounts.data(1).DefaultMailClient = defaultClient;
    w.fieldSlot(1).LaunchItem->trigger();
    QCOMPARE(prompts.asked().size(), 1);
    QCOMPARE(prompts.asked().at(0).text, NoClientMessage);
    QCOMPARE(prompts.asked().at(0).icon, UserPrompts::Icon::None);
    QCOMPARE(prompts.asked().at(0).buttons, QList<UserPrompts::Button>{UserPrompts::Button::Ok});
    QCOMPARE(prompts.unexpected(), 0);
}

QTEST_MAIN(TestCheckerMenus)
#include "tst_checkermenus.moc"
