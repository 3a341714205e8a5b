// The preferences dialog driven by its controls' names: first run, accounts, the pages'
// at-once and at-OK edits, and the settings file that "OK" writes.
#include "PrefsFixture.h"

#include "core/ui/TCheckerField.h"
#include "mail/TMailSummary.h"

#include <QAction>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <QtTest>

using Button = UserPrompts::Button;
using Kind = ScriptedUserPrompts::Kind;

class TestPrefs : public QObject
{
    Q_OBJECT
private slots:
    void firstRunOkCreatesAccount();
    void newAndDeleteMoveData();
    void deleteOnlyAccountIsRefused();
    void shownFrequency_data();
    void shownFrequency();
    void storedFrequency_data();
    void storedFrequency();
    void badFrequencyIsReset();
    void cancelKeepsAtOnceEdits();
    void okWritesWhatTheDialogShowed();
    void signInChoicesReachTheFile();
    void soundPage();
    void generalAndVisualControls();
    // Last: the exit procedure it runs also asks the application to quit.
    void firstRunCancelExits_data();
    void firstRunCancelExits();
};

namespace {
const QString presenceText = QStringLiteral(
    "You must have at least one account!\r\nPress <OK> to create a new account, or press <Cancel> to exit Vorlo.");

void click(PrefsFixture &fx, const char *button)
{
    fx.widget<QAbstractButton>(button)->click();
}

void leaveEdit(QWidget *edit)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
}
} // namespace

void TestPrefs::firstRunOkCreatesAccount()
{
    PrefsFixture fx;
    TF_Prefs &prefs = fx.start();
    QVERIFY(fx.window->FirstRun);
    QVERIFY(prefs.isVisible());
    QCOMPARE(prefs.windowTitle(), QStringLiteral("Vorlo Preferences"));
    QCOMPARE(TIniFile(fx.iniPath()).readString("Main", "ECount", "none"), QByteArray("0"));

    // A cancelled name creates nothing and the dialog stays.
    fx.prompts.answerButton(Button::Ok);
    fx.prompts.answerCancel();
    click(fx, "SaveButton");
    QCOMPARE(fx.window->Accounts.AccountCount, 0);
    QVERIFY(prefs.isVisible());

    fx.prompts.clear();
    fx.prompts.answerButton(Button::Ok);
    fx.prompts.answerText(QStringLiteral("Work"));
    click(fx, "SaveButton");
    QCOMPARE(fx.prompts.unexpected(), 0);
    QCOMPARE(fx.prompts.asked().size(), 2);
    const auto &message = fx.prompts.asked().at(0);
    QCOMPARE(message.text, presenceText);
    QCOMPARE(message.icon, UserPrompts::Icon::Critical);
    QCOMPARE(message.buttons, QList<Button>({Button::Ok, Button::Cancel}));
    const auto &input = fx.prompts.asked().at(1);
    QCOMPARE(input.kind, Kind::Input);
    QCOMPARE(input.caption, QStringLiteral("Create New Account"));
    QCOMPARE(input.text, QStringLiteral("Please enter a name for your new account: "));

    QCOMPARE(fx.window->Accounts.AccountCount, 1);
    QCOMPARE(fx.account(1).Name, QByteArray("Work"));
    QVERIFY(!fx.account(1).SavePwd);
    QVERIFY(!prefs.isVisible());
    const TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("Main", "ECount", ""), QByteArray("1"));
    QCOMPARE(ini.readString("1", "Name", ""), QByteArray("Work"));
    QCOMPARE(ini.readString("1", "SavePwd", ""), QByteArray("0"));
}

void TestPrefs::firstRunCancelExits_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("OK") << "SaveButton";
    QTest::newRow("Cancel") << "Button11";
    QTest::newRow("close box") << "";
}

void TestPrefs::firstRunCancelExits()
{
    QFETCH(QString, way);
    PrefsFixture fx;
    TF_Prefs &prefs = fx.start();
    QSignalSpy exiting(fx.window.get(), &TF_CheckerWindow::exiting);
    fx.prompts.answerButton(Button::Cancel);
    if (way.isEmpty())
        prefs.close();
    else
        click(fx, way.toLatin1().constData());
    QCOMPARE(fx.prompts.asked().size(), 1);
    QCOMPARE(fx.prompts.asked().at(0).text, presenceText);
    QTRY_COMPARE(exiting.count(), 1);
    QVERIFY(fx.window->Quitting);
    QCOMPARE(fx.window->Accounts.AccountCount, 0);
    // Nothing further is asked on the way out.
    QCOMPARE(fx.prompts.asked().size(), 1);
}

void TestPrefs::newAndDeleteMoveData()
{
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=3\nFilterCount=4\n"
                "[1]\nName=A\nHost=a.example\n"
                "[2]\nName=B\nHost=b.example\n"
                "[3]\nName=C\nHost=c.example\nUserID=cu\nTimer=120000\nShow=0\nList=0\nSound=0\n"
                "DefaultMailClient=1\nCustomMailClientPath=/bin/c\n"
                "[Filter 0]\nIfCondition=0\nAccount=1\nAction=0\nArgument=a\n"
                "[Filter 1]\nIfCondition=0\nAccount=2\nAction=0\nArgument=b\n"
                "[Filter 2]\nIfCondition=0\nAccount=3\nAction=0\nArgument=c\n"
                "[Filter 3]\nIfCondition=0\nAccount=0\nAction=0\nArgument=any\n");
    fx.start();
    fx.open();
    TF_CheckerWindow &w = *fx.window;
    w.setFieldText(3, QStringLiteral("7"));
    w.Accounts.slot(3).MailSummary->queueDeletion("uid-of-C\r\n");
    w.Accounts.slot(2).MailSummary->queueDeletion("uid-of-B\r\n");

    fx.choose("ComboBox6", 1);
    QCOMPARE(fx.widget<QLineEdit>("Edit26")->text(), QStringLiteral("b.example"));
    fx.prompts.answerButton(Button::Yes);
    click(fx, "Deletebutton");
    QCOMPARE(fx.prompts.asked().size(), 1);
    QCOMPARE(fx.prompts.asked().at(0).text, QStringLiteral("Do you really want to delete B"));
    QCOMPARE(fx.prompts.asked().at(0).icon, UserPrompts::Icon::Question);
    QCOMPARE(fx.prompts.asked().at(0).buttons, QList<Button>({Button::Yes, Button::No}));

    // Account C is now account 2 with all its values, hidden field included.
    QCOMPARE(w.Accounts.AccountCount, 2);
    const TAccountData &c = fx.account(2);
    QCOMPARE(c.Name, QByteArray("C"));
    QCOMPARE(c.Host, QByteArray("c.example"));
    QCOMPARE(c.UserID, QByteArray("cu"));
    QCOMPARE(c.Timer, 120000);
    QVERIFY(!c.Show && !c.List && !c.Sound);
    QCOMPARE(c.DefaultMailClient, 1);
    QCOMPARE(c.CustomMailClientPath, QByteArray("/bin/c"));
    QVERIFY(w.fieldSlot(3).Field->isHidden());
    QCOMPARE(w.fieldSlot(2).Field->toolTip(), QStringLiteral("C"));
    QCOMPARE(w.fieldSlot(2).Field->text(), QStringLiteral("7"));
    QVERIFY(!w.fieldSlot(2).MailListItem->isEnabled());
    // Queued deletions go with their account, and the deleted account's go with it.
    QCOMPARE(w.Accounts.slot(2).MailSummary->Pending, QByteArrayList{"uid-of-C\r\n"});
    QVERIFY(w.Accounts.slot(3).MailSummary->Pending.isEmpty());
    // Rules of the deleted account go; later ones follow their account.
    QCOMPARE(w.Filters.size(), 3);
    QCOMPARE(w.Filters.at(0).Account, 1);
    QCOMPARE(w.Filters.at(1).Account, 2);
    QCOMPARE(w.Filters.at(1).Argument, QByteArray("c"));
    QCOMPARE(w.Filters.at(2).Account, 0);
    // The selector shows the first account.
    QComboBox *selector = fx.widget<QComboBox>("ComboBox6");
    QCOMPARE(selector->count(), 2);
    QCOMPARE(selector->currentIndex(), 0);
    QCOMPARE(fx.widget<QLineEdit>("Edit26")->text(), QStringLiteral("a.example"));

    // New reuses the third slot with the values of a new account.
    fx.prompts.answerText(QStringLiteral("D"));
    click(fx, "NewButton1");
    QCOMPARE(w.Accounts.AccountCount, 3);
    const TAccountData &d = fx.account(3);
    QCOMPARE(d.Name, QByteArray("D"));
    QVERIFY(d.Host.isEmpty() && d.UserID.isEmpty() && d.Password.isEmpty());
    QVERIFY(!d.SavePwd && !d.Active && d.Show && d.List && d.Sound);
    QCOMPARE(d.Timer, 500000);
    QCOMPARE(d.DefaultMailClient, 0);
    QVERIFY(d.CustomMailClientPath.isEmpty());
    QVERIFY(!w.fieldSlot(3).Field->isHidden());
    QVERIFY(w.fieldSlot(3).Field->text().isEmpty());
    QCOMPARE(w.fieldSlot(3).AccountListItem->text(), QStringLiteral("D"));
    QCOMPARE(selector->currentIndex(), 2);
    QCOMPARE(fx.widget<QComboBox>("ComboBox7")->currentText(), QStringLiteral("min"));
    QCOMPARE(fx.widget<QLineEdit>("Edit29")->text(), QStringLiteral("8"));
    // The hidden account kept its values through the resize.
    QVERIFY(!fx.account(2).Show);
    QCOMPARE(fx.account(2).Timer, 120000);

    // A "No" deletes nothing.
    fx.prompts.answerButton(Button::No);
    click(fx, "Deletebutton");
    QCOMPARE(w.Accounts.AccountCount, 3);
    QCOMPARE(fx.prompts.unexpected(), 0);
}

void TestPrefs::deleteOnlyAccountIsRefused()
{
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=1\n[1]\nName=only\n");
    fx.start();
    fx.open();
    fx.prompts.answerButton(Button::Ok);
    click(fx, "Deletebutton");
    QCOMPARE(fx.prompts.asked().size(), 1);
    QCOMPARE(fx.prompts.asked().at(0).text, QStringLiteral("You must have at least one account!"));
    QCOMPARE(fx.prompts.asked().at(0).buttons, QList<Button>{Button::Ok});
    QCOMPARE(fx.window->Accounts.AccountCount, 1);
}

void TestPrefs::shownFrequency_data()
{
    QTest::addColumn<QByteArray>("timer");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<qint32>("storedBack");
    QTest::newRow("500000") << QByteArray("500000") << "8" << "min" << 480000;
    QTest::newRow("90 seconds") << QByteArray("90000") << "1" << "min" << 60000;
    QTest::newRow("59999") << QByteArray("59999") << "59" << "sec" << 59000;
}

void TestPrefs::shownFrequency()
{
    QFETCH(QByteArray, timer);
    QFETCH(QString, number);
    QFETCH(QString, unit);
    QFETCH(qint32, storedBack);
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=1\n[1]\nName=x\nTimer=" + timer + "\n");
    fx.start();
    fx.open();
    QCOMPARE(fx.widget<QLineEdit>("Edit29")->text(), number);
    QCOMPARE(fx.widget<QComboBox>("ComboBox7")->currentText(), unit);
    // Disabled until "Auto-Check" is on.
    QVERIFY(!fx.widget<QLineEdit>("Edit29")->isEnabled());
    fx.widget<QCheckBox>("CheckBox14")->setChecked(true);
    QVERIFY(fx.widget<QLineEdit>("Edit29")->isEnabled() && fx.widget<QComboBox>("ComboBox7")->isEnabled());
    fx.showPage("TabSheet6");
    QCOMPARE(fx.account(1).Timer, storedBack);
    QVERIFY(fx.account(1).Active);
}

void TestPrefs::storedFrequency_data()
{
    QTest::addColumn<int>("account");
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("unit");
    QTest::addColumn<qint32>("timer");
    QTest::addColumn<QString>("shown");
    QTest::newRow("position 2 at 5 min") << 2 << "5" << 1 << 300000 << "5";
    QTest::newRow("too often") << 1 << "3" << 0 << 10000 << "10";
    QTest::newRow("zero minutes") << 1 << "0" << 1 << 60000 << "1";
    QTest::newRow("beyond a week") << 2 << "20000" << 1 << 604800000 << "10080";
}

void TestPrefs::storedFrequency()
{
    QFETCH(int, account);
    QFETCH(QString, number);
    QFETCH(int, unit);
    QFETCH(qint32, timer);
    QFETCH(QString, shown);
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=2\n[1]\nName=one\n[2]\nName=two\n");
    fx.start();
    fx.open();
    fx.choose("ComboBox6", account - 1);
    fx.widget<QLineEdit>("Edit29")->setText(number);
    fx.choose("ComboBox7", unit);
    fx.showPage("TabSheet7");
    QCOMPARE(fx.account(account).Timer, timer);
    QCOMPARE(fx.window->Accounts.slot(account).CheckTimer->interval(), timer + 10 * account);
    QCOMPARE(fx.widget<QLineEdit>("Edit29")->text(), shown);
}

void TestPrefs::badFrequencyIsReset()
{
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=2\n[1]\nName=one\nTimer=120000\n[2]\nName=two\n");
    fx.start();
    fx.open();
    QLineEdit *edit = fx.widget<QLineEdit>("Edit29");
    QComboBox *unit = fx.widget<QComboBox>("ComboBox7");

    // Leaving the edit puts the stored frequency back, without a word.
    edit->setText(QStringLiteral("abc"));
    unit->setCurrentIndex(0);
    leaveEdit(edit);
    QCOMPARE(edit->text(), QStringLiteral("2"));
    QCOMPARE(unit->currentText(), QStringLiteral("min"));
    // A number out of bounds is moved into them there and then.
    edit->setText(QStringLiteral("20000"));
    leaveEdit(edit);
    QCOMPARE(edit->text(), QStringLiteral("10080"));

    // Switching account with a bad number keeps the selector on the account being edited.
    fx.widget<QLineEdit>("Edit26")->setText(QStringLiteral("kept.example"));
    edit->setText(QStringLiteral("x1"));
    fx.choose("ComboBox6", 1);
    QCOMPARE(fx.widget<QComboBox>("ComboBox6")->currentIndex(), 0);
    QCOMPARE(fx.account(1).Timer, 120000);
    QCOMPARE(fx.account(1).Host, QByteArray("kept.example"));
    // "OK" stops there too: nothing saved, the dialog stays.
    click(fx, "SaveButton");
    QVERIFY(fx.prefs->isVisible());
    QCOMPARE(TIniFile(fx.iniPath()).readString("1", "Host", "none"), QByteArray("none"));
    QCOMPARE(fx.prompts.asked().size(), 0);
}

void TestPrefs::cancelKeepsAtOnceEdits()
{
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=1\nTransparencyValue=200\n[1]\nName=one\nHost=old.example\n");
    fx.start();
    TF_Prefs &prefs = fx.open();
    TF_CheckerWindow &w = *fx.window;
    QVERIFY(w.transparencyOffered());
    QVERIFY(fx.widget<QSlider>("AlphaSlider")->isEnabled());

    fx.widget<QLineEdit>("Edit26")->setText(QStringLiteral("new.example"));
    fx.showPage("TabSheet8");
    fx.widget<QSlider>("TrackBar3")->setValue(30);
    const int wider = w.width();
    fx.prompts.answerColor(QColor(1, 2, 3));
    QTest::mouseClick(fx.widget<QWidget>("CBack"), Qt::LeftButton);
    fx.widget<QSlider>("AlphaSlider")->setValue(100);
    QVERIFY(qAbs(w.windowOpacity() - 100 / 255.0) < 1.5 / 255);
    fx.widget<QCheckBox>("CheckBox2")->setChecked(false);
    fx.widget<QCheckBox>("RoundCheckBox")->setChecked(false);
    click(fx, "Button11");

    QVERIFY(!prefs.isVisible());
    QCOMPARE(fx.account(1).Host, QByteArray("new.example"));
    QCOMPARE(w.Metrics.CheckerWidth, 30);
    QCOMPARE(w.width(), wider);
    QCOMPARE(w.Colors.Back, 0x030201u);
    QCOMPARE(TIniFile(fx.iniPath()).readInteger("BlueColorSet", "Back", -1), 0x030201);
    // At-OK settings are untouched; the preview returns to the saved opacity.
    QVERIFY(w.Options.KeepLogFile);
    QVERIFY(w.Metrics.Round);
    QCOMPARE(w.Options.TransparencyValue, 200);
    QVERIFY(qAbs(w.windowOpacity() - 200 / 255.0) < 1.5 / 255);

    // The exit save writes what took effect at once.
    w.saveSettings();
    const TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("1", "Host", ""), QByteArray("new.example"));
    QCOMPARE(ini.readString("Metrics", "CheckerWidth", ""), QByteArray("30"));
    QCOMPARE(ini.readString("Main", "KeepLogFile", ""), QByteArray("1"));
    // Reopening shows the settings again, not what was left in the controls.
    fx.open();
    QVERIFY(fx.widget<QCheckBox>("CheckBox2")->isChecked());
    QVERIFY(fx.widget<QCheckBox>("RoundCheckBox")->isChecked());
    QCOMPARE(fx.prompts.unexpected(), 0);
}

// The sign-in group shows the fields of the chosen login and provider, says what a sign-in
// lacks, and its choices are saved.
void TestPrefs::signInChoicesReachTheFile()
{
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=1\n[1]\nName=one\nHost=pop.example\nUserID=me\n");
    fx.start();
    fx.open();
    auto shown = [&fx](const char *name) { return fx.widget<QWidget>(name)->isVisibleTo(fx.prefs.get()); };
    QVERIFY(!shown("OAuthProviderComboBox"));
    fx.choose("AuthComboBox", 4);
    QVERIFY(shown("OAuthProviderComboBox"));
    QVERIFY(shown("SignInButton"));
    QVERIFY(!shown("OAuthAuthUrlEdit"));
    fx.choose("OAuthProviderComboBox", 3);
    QVERIFY(shown("OAuthCommandEdit"));
    QVERIFY(!shown("SignInButton"));
    fx.choose("OAuthProviderComboBox", 2);
    QVERIFY(shown("OAuthAuthUrlEdit"));
    click(fx, "SignInButton");
    QVERIFY2(fx.widget<QLabel>("SignInStatusLabel")->text().contains(QLatin1String("client id")),
             qPrintable(fx.widget<QLabel>("SignInStatusLabel")->text()));
    fx.widget<QLineEdit>("OAuthClientIdEdit")->setText(QStringLiteral("my-client"));
    fx.widget<QLineEdit>("OAuthAuthUrlEdit")->setText(QStringLiteral("https://auth.example/authorize"));
    fx.widget<QLineEdit>("OAuthTokenUrlEdit")->setText(QStringLiteral("https://auth.example/token"));
    fx.widget<QLineEdit>("OAuthScopeEdit")->setText(QStringLiteral("mail"));
    click(fx, "SaveButton");

    const TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("1", "Auth", ""), QByteArray("oauth2"));
    QCOMPARE(ini.readString("1", "OAuthProvider", ""), QByteArray("custom"));
    QCOMPARE(ini.readString("1", "OAuthClientId", ""), QByteArray("my-client"));
    QCOMPARE(ini.readString("1", "OAuthTokenUrl", ""), QByteArray("https://auth.example/token"));
    QCOMPARE(ini.readString("1", "SecretStore", "<none>"), QByteArray("<none>"));
    QCOMPARE(fx.prompts.unexpected(), 0);
}

void TestPrefs::okWritesWhatTheDialogShowed()
{
    PrefsFixture fx;
    // Account 1 is written in a Windows code page and only looked at: its bytes stay.
    fx.writeIni("[Main]\nECount=2\n[1]\nName=one\nHost=p\xF6p.example\nUserID=j\xF6rg\n[2]\nName=two\nHost="
                "two.example\n");
    fx.start();
    fx.open();
    TF_CheckerWindow &w = *fx.window;
    QCOMPARE(fx.widget<QLineEdit>("Edit27")->text(), QString::fromUtf8("j\xC3\xB6rg"));

    fx.choose("ComboBox6", 1);
    fx.widget<QLineEdit>("Edit26")->setText(QStringLiteral("pop.example:995"));
    fx.choose("SecurityComboBox", 2);
    fx.widget<QLineEdit>("Edit27")->setText(QString::fromUtf8("m\xC3\xA9"));
    fx.widget<QLineEdit>("Edit30")->setText(QStringLiteral("abc"));
    fx.widget<QCheckBox>("SavePwdCheckBox")->setChecked(false);
    fx.widget<QCheckBox>("SavePwdCheckBox")->setChecked(true);
    fx.widget<QCheckBox>("CheckBox14")->setChecked(true);
    fx.widget<QLineEdit>("Edit29")->setText(QStringLiteral("45"));
    fx.choose("ComboBox7", 0);
    fx.widget<QCheckBox>("CheckBox15")->setChecked(false);
    fx.widget<QCheckBox>("CheckBox1")->setChecked(false);
    // "Custom...": a chosen file that exists becomes the account's mail program.
    QFile client(fx.dir.filePath(QStringLiteral("mailer")));
    QVERIFY(client.open(QIODevice::WriteOnly));
    client.close();
    fx.prompts.answerText(client.fileName());
    fx.choose("MailClientComboBox1", 1);
    QCOMPARE(fx.prompts.asked().value(0).caption, QStringLiteral("Browse for Email Client"));
    QCOMPARE(fx.account(2).CustomMailClientPath, client.fileName().toUtf8());

    fx.showPage("TabSheet6");
    fx.widget<QListWidget>("CheckListBox1")->item(0)->setCheckState(Qt::Unchecked);
    fx.widget<QRadioButton>("RadioGroup2Item3")->setChecked(true);
    QCOMPARE(w.Options.SoundItemIndex, 3);

    fx.showPage("TabSheet7");
    fx.widget<QCheckBox>("CheckBox11")->setChecked(true);
    QVERIFY(w.Floating1->isChecked());
    QVERIFY(fx.widget<QSlider>("TrackBar1")->isEnabled());
    fx.widget<QSlider>("TrackBar1")->setValue(21);
    QCOMPARE(fx.widget<QLabel>("Label17")->text(), QStringLiteral("60 sec"));
    fx.widget<QCheckBox>("CheckBox7")->setChecked(true);
    fx.widget<QCheckBox>("CheckBox12")->setChecked(false);
    QVERIFY(!w.AlwaysonTop1->isChecked());
    fx.widget<QCheckBox>("CheckBox13")->setChecked(true);
    fx.widget<QCheckBox>("CheckBox9")->setChecked(true);
    fx.widget<QCheckBox>("CheckAllBox")->setChecked(false);
    // The desktop boxes start at their defaults: following the network and sleep, no notices.
    QVERIFY(fx.widget<QCheckBox>("FollowNetworkBox")->isChecked());
    QVERIFY(fx.widget<QCheckBox>("CheckAfterResumeBox")->isChecked());
    QVERIFY(!fx.widget<QCheckBox>("NotifyBox")->isChecked());
    fx.widget<QCheckBox>("FollowNetworkBox")->setChecked(false);
    fx.widget<QCheckBox>("CheckAfterResumeBox")->setChecked(false);
    fx.widget<QCheckBox>("NotifyBox")->setChecked(true);
    fx.widget<QCheckBox>("CheckBox2")->setChecked(false);

    fx.showPage("TabSheet8");
    fx.widget<QSlider>("TrackBar2")->setValue(25);
    fx.widget<QSlider>("TrackBar6")->setValue(12);
    fx.widget<QCheckBox>("RoundCheckBox")->setChecked(false);
    fx.widget<QCheckBox>("CheckBox6")->setChecked(false);
    fx.widget<QCheckBox>("CheckBox10")->setChecked(false);
    fx.widget<QCheckBox>("AlphaCheckBox")->setChecked(false);
    QCOMPARE(fx.widget<QSlider>("AlphaSlider")->value(), 255);
    QVERIFY(!fx.widget<QSlider>("AlphaSlider")->isEnabled());
    fx.widget<QCheckBox>("CheckBox8")->setChecked(true);
    QVERIFY(!fx.widget<QWidget>("CBack")->isEnabled());
    fx.showPage("TabSheet9");
    // Back on the accounts page the first account shows; the edits went in on the way.
    fx.choose("ComboBox6", 1);
    QCOMPARE(fx.widget<QLineEdit>("Edit29")->text(), QStringLiteral("45"));

    click(fx, "SaveButton");
    QVERIFY(!fx.prefs->isVisible());
    QCOMPARE(fx.prompts.asked().size(), 1);

    const TIniFile ini(fx.iniPath());
    auto value = [&ini](const char *section, const char *key) { return ini.readString(section, key, "<none>"); };
    QCOMPARE(value("2", "Host"), QByteArray("pop.example:995"));
    QCOMPARE(value("2", "Security"), QByteArray("starttls"));
    QCOMPARE(value("2", "UserID"), QByteArray("m\xC3\xA9")); // edited: UTF-8
    QCOMPARE(value("1", "UserID"), QByteArray("j\xF6rg"));
    QCOMPARE(value("1", "Host"), QByteArray("p\xF6p.example"));
    QCOMPARE(value("2", "Password"), QByteArray("bdf"));
    QCOMPARE(value("2", "SavePwd"), QByteArray("1"));
    QCOMPARE(value("2", "Timer"), QByteArray("45000"));
    QCOMPARE(value("2", "Active"), QByteArray("1"));
    QCOMPARE(value("2", "Show"), QByteArray("0"));
    QCOMPARE(value("2", "List"), QByteArray("0"));
    QCOMPARE(value("2", "DefaultMailClient"), QByteArray("1"));
    QCOMPARE(value("2", "CustomMailClientPath"), client.fileName().toUtf8());
    QCOMPARE(value("1", "Sound"), QByteArray("0"));
    QCOMPARE(value("2", "Sound"), QByteArray("1"));
    QCOMPARE(value("Main", "SoundItemIndex"), QByteArray("3"));
    QCOMPARE(value("Main", "Floating"), QByteArray("1"));
    QCOMPARE(value("Main", "AutoFloat"), QByteArray("1"));
    QCOMPARE(value("Main", "Jumpback"), QByteArray("60"));
    QCOMPARE(value("Main", "AlwaysOnTop"), QByteArray("0"));
    QCOMPARE(value("Main", "HideWhenOffline"), QByteArray("1"));
    QCOMPARE(value("Main", "AlwaysOffline"), QByteArray("1"));
    QCOMPARE(value("Main", "CheckAllWhenGoingOnline"), QByteArray("0"));
    QCOMPARE(value("Main", "FollowNetwork"), QByteArray("0"));
    QCOMPARE(value("Main", "CheckAfterResume"), QByteArray("0"));
    QCOMPARE(value("Main", "Notify"), QByteArray("1"));
    QCOMPARE(value("Main", "KeepLogFile"), QByteArray("0"));
    QCOMPARE(value("Main", "AnimIcons"), QByteArray("0"));
    QCOMPARE(value("Main", "Blinking"), QByteArray("0"));
    QCOMPARE(value("Main", "Round"), QByteArray("0"));
    QCOMPARE(value("Main", "Transparency"), QByteArray("0"));
    QCOMPARE(value("Main", "TransparencyValue"), QByteArray("255"));
    QCOMPARE(value("Main", "ColorSet"), QByteArray("gray"));
    QCOMPARE(value("Metrics", "CheckerHeight"), QByteArray("25"));
    QCOMPARE(value("Metrics", "FontSize"), QByteArray("12"));
    QVERIFY(!w.Colors.UsesBlueSet);
    QCOMPARE(w.Accounts.slot(2).CheckTimer->interval(), 45020);
    QVERIFY(!w.fieldSlot(2).MailListItem->isEnabled());
}

void TestPrefs::soundPage()
{
    PrefsFixture fx;
    QFile wav(fx.dir.filePath(QStringLiteral("chime.wav")));
    QVERIFY(wav.open(QIODevice::WriteOnly));
    wav.close();
    // The mail count sound names a file that is not there, so playing it fails.
    fx.writeIni("[Main]\nECount=2\nSoundItemIndex=2\nMailCountSound=" + fx.dir.filePath("gone.wav").toUtf8()
                + "\n[1]\nName=one\nSound=0\n[2]\nName=two\n");
    fx.start();
    fx.open();
    TF_CheckerWindow &w = *fx.window;
    QVERIFY(fx.widget<QRadioButton>("RadioGroup2Item2")->isChecked());
    QCOMPARE(fx.widget<QLabel>("Label22")->text(), QStringLiteral("Incoming Mail.wav"));
    fx.showPage("TabSheet6");
    QListWidget *allow = fx.widget<QListWidget>("CheckListBox1");
    QCOMPARE(allow->count(), 2);
    QCOMPARE(allow->item(0)->checkState(), Qt::Unchecked);
    QCOMPARE(allow->item(1)->checkState(), Qt::Checked);

    // Browse: an existing file becomes the setting; a cancel or a file that is not there keeps it.
    fx.prompts.answerText(wav.fileName());
    click(fx, "BitBtn1");
    QCOMPARE(w.Options.IncomingSound, wav.fileName().toUtf8());
    QCOMPARE(fx.widget<QLabel>("Label22")->text(), QStringLiteral("chime.wav"));
    QCOMPARE(fx.prompts.asked().at(0).caption, QStringLiteral("New Mail Sound"));
    const QByteArray before = w.Options.MailCountSound;
    fx.prompts.answerText(fx.dir.filePath(QStringLiteral("missing.wav")));
    click(fx, "BitBtn3");
    fx.prompts.answerCancel();
    click(fx, "BitBtn3");
    QCOMPARE(w.Options.MailCountSound, before);
    QCOMPARE(fx.widget<QLabel>("Label28")->text(), QStringLiteral("gone.wav"));

    // Play: the player gets the path; a failure says so.
    fx.prompts.clear();
    click(fx, "BitBtn2");
    QCOMPARE(fx.sound.plays(), QStringList{wav.fileName()});
    QCOMPARE(fx.prompts.asked().size(), 0);
    fx.prompts.answerButton(Button::Ok);
    click(fx, "BitBtn4");
    QCOMPARE(fx.prompts.asked().size(), 1);
    QCOMPARE(fx.prompts.asked().at(0).text, QStringLiteral("Sound File Could not be Played"));
    QCOMPARE(fx.prompts.asked().at(0).icon, UserPrompts::Icon::Critical);
    QVERIFY(fx.prefs->isEnabled());

    // The marks go in when the page is left; the choice at once.
    allow->item(0)->setCheckState(Qt::Checked);
    allow->item(1)->setCheckState(Qt::Unchecked);
    QVERIFY(!fx.account(1).Sound);
    fx.widget<QRadioButton>("RadioGroup2Item0")->setChecked(true);
    QCOMPARE(w.Options.SoundItemIndex, 0);
    fx.showPage("TabSheet7");
    QVERIFY(fx.account(1).Sound);
    QVERIFY(!fx.account(2).Sound);
}

void TestPrefs::generalAndVisualControls()
{
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=1\nJumpback=10\n[Metrics]\nCheckerWidth=70\n[1]\nName=one\n");
    fx.start();
    fx.open();
    TF_CheckerWindow &w = *fx.window;
    // A value between the slider's steps lands on the step below; one beyond its range is clamped.
    QCOMPARE(fx.widget<QSlider>("TrackBar1")->value(), 4);
    QCOMPARE(w.Options.Jumpback, 9);
    QCOMPARE(fx.widget<QLabel>("Label17")->text(), QStringLiteral("9 sec"));
    fx.widget<QSlider>("TrackBar1")->setValue(1);
    QCOMPARE(w.Options.Jumpback, 1);
    QCOMPARE(w.Metrics.CheckerWidth, 50);

    // The menu commands and the boxes agree in both directions.
    QVERIFY(!fx.widget<QCheckBox>("CheckBox7")->isEnabled());
    w.Floating1->trigger();
    QVERIFY(fx.widget<QCheckBox>("CheckBox11")->isChecked());
    QVERIFY(fx.widget<QCheckBox>("CheckBox7")->isEnabled());
    w.AlwaysonTop1->trigger();
    QVERIFY(!fx.widget<QCheckBox>("CheckBox12")->isChecked());
    fx.widget<QCheckBox>("CheckBox12")->setChecked(true);
    QVERIFY(w.AlwaysonTop1->isChecked());

    fx.prompts.answerButton(Button::Ok);
    click(fx, "Button2");
    QCOMPARE(fx.prompts.asked().size(), 1);
    QCOMPARE(fx.prompts.asked().at(0).text, QStringLiteral("There are no logged Events"));

    w.move(3, 4);
    click(fx, "Button1");
    QCOMPARE(w.pos(), QPoint(w.Options.defaultX, w.Options.defaultY));
    QCOMPARE(w.Options.alternativeX, 1);

    fx.showPage("TabSheet8");
    click(fx, "ResetMetrics");
    QCOMPARE(w.Metrics.CheckerHeight, 18);
    QCOMPARE(w.Metrics.CheckerWidth, 20);
    QCOMPARE(w.Metrics.VSpace, 8);
    QCOMPARE(w.Metrics.HSpace, 4);
    QCOMPARE(w.Metrics.FontSize, 8);

    // Colours: a cancelled pick still writes the set; a reset brings the blue defaults back.
    fx.widget<QCheckBox>("CheckBox8")->setChecked(true);
    fx.widget<QCheckBox>("CheckBox8")->setChecked(false);
    fx.prompts.answerColor(QColor(255, 0, 0));
    QTest::mouseClick(fx.widget<QWidget>("CIdle"), Qt::LeftButton);
    QCOMPARE(w.Colors.Idle, 0x0000FFu);
    QCOMPARE(w.fieldSlot(1).Field->colorValue(), 0x0000FFu);
    fx.prompts.answerCancel();
    QTest::mouseClick(fx.widget<QWidget>("CError"), Qt::LeftButton);
    QCOMPARE(TIniFile(fx.iniPath()).readInteger("BlueColorSet", "Idle", -1), 0x0000FF);
    click(fx, "ResetColorsButton");
    QCOMPARE(w.Colors.Idle, TCheckerColors::blueDefaults().Idle);
    QCOMPARE(TIniFile(fx.iniPath()).readInteger("BlueColorSet", "Idle", -1), 9453632);
    QCOMPARE(TIniFile(fx.iniPath()).readInteger("BlueColorSet", "BorderSize", -1), 0);
    QCOMPARE(fx.prompts.unexpected(), 0);
}

QTEST_MAIN(TestPrefs)
#include "tst_TF_Prefs.moc"
