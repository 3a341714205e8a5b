// The "Filters" page: the sentence that makes a rule, the lines that show the rules, removal
// by unchecking, the scroll bars and the hint.
#include "PrefsFixture.h"

#include "settings/ui/TPrefsFilterEditor.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

using Button = UserPrompts::Button;

class TestFilterEditor : public QObject
{
    Q_OBJECT
private slots:
    void activateRule();
    void refused_data();
    void refused();
    void ruleForAccountWithoutList();
    void uncheckAndScroll();
    void rulesOutsideTheLists();
    void hintOfTheLineUnderTheMouse();
};

namespace {
QByteArray rules(int count)
{
    QByteArray ini = "[Main]\nECount=1\nFilterCount=" + QByteArray::number(count) + "\n[1]\nName=home\n";
    for (int k = 0; k < count; ++k)
        ini += "[Filter " + QByteArray::number(k) + "]\nIfCondition=3\nAccount=1\nAction=0\nArgument=word"
            + QByteArray::number(k) + "\n";
    return ini;
}

void compose(PrefsFixture &fx, int condition, const QString &argument, int account)
{
    fx.widget<QComboBox>("Filter_If_ComboBox")->setCurrentIndex(condition);
    fx.widget<QLineEdit>("Filter_arg_edit")->setText(argument);
    fx.widget<QComboBox>("Filter_Account_comboBox")->setCurrentIndex(account);
    fx.widget<QComboBox>("Filter_Action_ComboBox")->setCurrentIndex(0);
}

QStringList lines(PrefsFixture &fx)
{
    QStringList out;
    QListWidget *list = fx.widget<QListWidget>("FilterListBox");
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}
} // namespace

void TestFilterEditor::activateRule()
{
    PrefsFixture fx;
    fx.writeIni(rules(0));
    fx.start();
    fx.open();
    fx.showPage("FilterTabSheet");
    QCOMPARE(fx.widget<QComboBox>("Filter_Account_comboBox")->itemText(1), QStringLiteral("home"));
    compose(fx, 7, QStringLiteral("500"), 0);
    QCOMPARE(fx.widget<QLabel>("Label4")->text(), QStringLiteral("kB"));
    fx.widget<QPushButton>("ActivateFilterButton")->click();

    QCOMPARE(lines(fx), QStringList{"If size is larger than 500 and account is any account then delete mail"});
    QCOMPARE(fx.widget<QListWidget>("FilterListBox")->item(0)->checkState(), Qt::Checked);
    const QList<TFilter> &filters = fx.window->Filters;
    QCOMPARE(filters.size(), 1);
    QCOMPARE(filters.at(0).IfCondition, 7);
    QCOMPARE(filters.at(0).Account, 0);
    QCOMPARE(filters.at(0).Action, 0);
    QCOMPARE(filters.at(0).Argument, QByteArray("500"));

    // The controls keep their values: a second, text rule on the account, blanks as its argument.
    fx.widget<QComboBox>("Filter_If_ComboBox")->setCurrentIndex(2);
    QVERIFY(fx.widget<QLabel>("Label4")->text().isEmpty());
    fx.widget<QLineEdit>("Filter_arg_edit")->setText(QStringLiteral("  "));
    fx.widget<QComboBox>("Filter_Account_comboBox")->setCurrentIndex(1);
    fx.widget<QPushButton>("ActivateFilterButton")->click();
    QCOMPARE(lines(fx).value(1), QStringLiteral("If subject is    and account is home then delete mail"));
    QCOMPARE(fx.window->Filters.at(1).Argument, QByteArray("  "));
    QCOMPARE(fx.window->Filters.at(1).Account, 1);
    QCOMPARE(fx.prompts.asked().size(), 0);

    // "Cancel" keeps them; the exit save writes them.
    fx.prefs->close();
    fx.window->saveSettings();
    const TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("Main", "FilterCount", ""), QByteArray("2"));
    QCOMPARE(ini.readString("Filter 0", "IfCondition", ""), QByteArray("7"));
    QCOMPARE(ini.readString("Filter 1", "Argument", "none"), QByteArray("  ")); // reads back as written
}

void TestFilterEditor::refused_data()
{
    QTest::addColumn<int>("condition");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("account");
    QTest::addColumn<QString>("message");
    const QString incomplete = QStringLiteral("Filter arguments are not complete");
    QTest::newRow("no condition") << -1 << "x" << 0 << incomplete;
    QTest::newRow("no argument") << 0 << "" << 0 << incomplete;
    QTest::newRow("no account") << 0 << "x" << -1 << incomplete;
    // Size rules that could never match, or that would stop the rules after them.
    QTest::newRow("size not a number") << 6 << "big" << 0 << "The size must be a whole number of at least 2 kB";
    QTest::newRow("smaller than 1") << 6 << "1" << 0 << "The size must be a whole number of at least 2 kB";
    QTest::newRow("size is 0") << 5 << "0" << 0 << "The size must be a whole number of at least 1 kB";
    QTest::newRow("size with a blank") << 5 << " 12" << 0 << "The size must be a whole number of at least 1 kB";
    QTest::newRow("size with its unit") << 7 << "12 kB" << 0 << "The size must be a whole number of kB";
    QTest::newRow("leading zero") << 5 << "012" << 0 << "The size must be a whole number of at least 1 kB";
}

void TestFilterEditor::refused()
{
    QFETCH(int, condition);
    QFETCH(QString, argument);
    QFETCH(int, account);
    QFETCH(QString, message);
    PrefsFixture fx;
    fx.writeIni(rules(0));
    fx.start();
    fx.open();
    fx.showPage("FilterTabSheet");
    compose(fx, condition, argument, account);
    fx.prompts.answerButton(Button::Ok);
    fx.widget<QPushButton>("ActivateFilterButton")->click();
    QCOMPARE(fx.prompts.asked().size(), 1);
    QCOMPARE(fx.prompts.asked().at(0).text, message);
    QCOMPARE(fx.prompts.asked().at(0).icon, UserPrompts::Icon::Critical);
    QVERIFY(fx.window->Filters.isEmpty());
    QCOMPARE(fx.widget<QListWidget>("FilterListBox")->count(), 0);
}

void TestFilterEditor::ruleForAccountWithoutList()
{
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=1\n[1]\nName=home\nList=0\n");
    fx.start();
    fx.open();
    fx.showPage("FilterTabSheet");
    compose(fx, 0, QStringLiteral("news"), 1);
    fx.prompts.answerButton(Button::Ok);
    fx.widget<QPushButton>("ActivateFilterButton")->click();
    QCOMPARE(fx.prompts.asked().size(), 1);
    QCOMPARE(fx.prompts.asked().at(0).text,
             QStringLiteral("\"Retrieve EMail List\" feature on account home must be turned ON to activate this filter"));
    QCOMPARE(fx.prompts.asked().at(0).icon, UserPrompts::Icon::Warning);
    QCOMPARE(fx.window->Filters.size(), 1);
    QCOMPARE(lines(fx).size(), 1);
}

void TestFilterEditor::uncheckAndScroll()
{
    PrefsFixture fx;
    fx.writeIni(rules(6));
    fx.start();
    fx.open();
    fx.showPage("FilterTabSheet");
    QScrollBar *vertical = fx.widget<QScrollBar>("ScrollBar2");
    QVERIFY(vertical->isEnabled());
    QCOMPARE(vertical->maximum(), 1);
    QListWidget *list = fx.widget<QListWidget>("FilterListBox");
    vertical->setValue(1);
    QCOMPARE(list->verticalScrollBar()->value(), 1);
    QScrollBar *sideways = fx.widget<QScrollBar>("ScrollBar1");
    QCOMPARE(sideways->maximum(), 300);
    QCOMPARE(sideways->singleStep(), 25);
    QCOMPARE(sideways->pageStep(), 100);
    const int left = list->x();
    sideways->setValue(100);
    QCOMPARE(list->x(), left - 100);

    const QString third = lines(fx).at(2);
    list->item(1)->setCheckState(Qt::Unchecked);
    QTRY_COMPARE(fx.window->Filters.size(), 5);
    QCOMPARE(fx.window->Filters.at(1).Argument, QByteArray("word2"));
    QCOMPARE(lines(fx).at(1), third);
    QCOMPARE(lines(fx).size(), 5);
    QVERIFY(!vertical->isEnabled());

    fx.widget<QPushButton>("SaveButton")->click();
    const TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("Main", "FilterCount", ""), QByteArray("5"));
    QCOMPARE(ini.readString("Filter 1", "Argument", ""), QByteArray("word2"));
    QVERIFY(!ini.sectionExists("Filter 5"));
}

void TestFilterEditor::rulesOutsideTheLists()
{
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=1\nFilterCount=2\n[1]\nName=home\n"
                "[Filter 1]\nIfCondition=9\nAccount=4\nAction=0\nArgument=x\n");
    fx.start();
    fx.open();
    fx.showPage("FilterTabSheet");
    QCOMPARE(lines(fx), QStringList({"If (unknown condition -1)  and account is (unknown account -1) then "
                                     "(unknown action -1)",
                                     "If (unknown condition 9) x and account is (unknown account 4) then delete mail"}));
    fx.widget<QPushButton>("SaveButton")->click();
    const TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("Main", "FilterCount", ""), QByteArray("2"));
    QCOMPARE(ini.readString("Filter 1", "Account", ""), QByteArray("4"));
    QCOMPARE(ini.readString("Filter 0", "IfCondition", ""), QByteArray("-1"));
}

void TestFilterEditor::hintOfTheLineUnderTheMouse()
{
    PrefsFixture fx;
    fx.writeIni(rules(7));
    fx.start();
    fx.open();
    fx.showPage("FilterTabSheet");
    QListWidget *list = fx.widget<QListWidget>("FilterListBox");
    const int line = fx.prefs->filterEditor().lineHeight();
    auto moveTo = [list](int y) {
        QMouseEvent move(QEvent::MouseMove, QPointF(5, y), list->viewport()->mapToGlobal(QPointF(5, y)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &move);
    };
    moveTo(line + 1);
    QCOMPARE(list->toolTip(), lines(fx).at(1));
    fx.widget<QScrollBar>("ScrollBar2")->setValue(2);
    moveTo(4 * line + 1);
    QCOMPARE(list->toolTip(), lines(fx).at(6));
    moveTo(5 * line + 1);
    QVERIFY(list->toolTip().isEmpty());
}

QTEST_MAIN(TestFilterEditor)
#include "tst_TPrefsFilterEditor.moc"
