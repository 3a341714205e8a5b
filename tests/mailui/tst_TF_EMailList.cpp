// The mail list window over summaries filled by hand: the views as tables, marking rows for
// deletion, the keys, the "Accounts" menu and the window geometry.
#include "core/CheckerFixture.h"

#include "core/ui/TCheckerField.h"
#include "mail/TMailSummary.h"
#include "mail/ui/TF_EMailList.h"
#include "mail/ui/TMailListModel.h"
#include "fakes/ScriptedUserPrompts.h"
#include "settings/TIniFile.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

const QStringList Names = {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};

QByteArray uid(int account, int message)
{
    return "u" + QByteArray::number(account) + "-" + QByteArray::number(message) + "\r\n";
}

// Account n's summary as a check of `count` messages leaves it: raw header values with the
// blank after the colon, an encoded subject, ids with the server's line end, no actions.
void fill(TF_CheckerWindow &w, int n, int count)
{
    TMailSummary &s = *w.Accounts.slot(n).MailSummary;
    s.reset();
    for (int k = 1; k <= count; ++k) {
        s.Subject << " =?utf-8?q?Gr=C3=BC=C3=9Fe?= " + QByteArray::number(k);
        s.Sender << " s" + QByteArray::number(k) + "@" + Names.at(n - 1).toUtf8();
        s.Size << QByteArray::number(k) + " kB";
        s.UniqueID << uid(n, k);
    }
    w.Accounts.data(n).MailCount = count;
}

// A checker window, offline so that no tick reaches a server, with one account per count.
struct ListFixture
{
    CheckerFixture checker;
    TF_CheckerWindow *w = nullptr;
    std::unique_ptr<TF_EMailList> list;

    explicit ListFixture(const QList<int> &counts)
    {
        QByteArray ini = "[Main]\r\non/offline=off\r\nECount=" + QByteArray::number(counts.size()) + "\r\n";
        for (int n = 1; n <= counts.size(); ++n)
            ini += "[" + QByteArray::number(n) + "]\r\nName=" + Names.at(n - 1).toUtf8() + "\r\nHost=127.0.0.1:1\r\n";
        checker.writeIni(ini);
        w = &checker.start();
        list = std::make_unique<TF_EMailList>(*w);
        for (int n = 1; n <= counts.size(); ++n)
            fill(*w, n, counts.at(n - 1));
    }
    ~ListFixture() { list.reset(); }

    TMailSummary &summary(int n) { return *w->Accounts.slot(n).MailSummary; }
    QTableView *grid() const { return list->grid(); }

    // The grid as the user reads it, one "subject|sender|size|action|account" line per row.
    QStringList table() const
    {
        const QAbstractItemModel *m = grid()->model();
        QStringList rows;
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c)
                cells << m->index(r, c).data().toString();
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }
    QStringList column(int c) const
    {
        QStringList cells;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            cells << grid()->model()->index(r, c).data().toString();
        return cells;
    }
    void select(int first, int last)
    {
        const QAbstractItemModel *m = grid()->model();
        grid()->selectionModel()->select(QItemSelection(m->index(first, 0), m->index(last, m->columnCount() - 1)),
                                         QItemSelectionModel::ClearAndSelect);
    }
    // Every account's pending ids as "account:id" without the line end, in queue order.
    QStringList pending()
    {
        QStringList out;
        for (int n = 1; n <= w->Accounts.AccountCount; ++n)
            for (const QByteArray &id : std::as_const(summary(n).Pending))
                out << QString::number(n) + QLatin1Char(':') + QString::fromLatin1(id.trimmed());
        return out;
    }
};

QString row(const char *subject, const char *sender, const char *size, const char *action, const char *account)
{
    return QStringList{QString::fromUtf8(subject), QString::fromUtf8(sender), QString::fromUtf8(size),
                       QString::fromUtf8(action), QString::fromUtf8(account)}
        .join(QLatin1Char('|'));
}

// Answers every message box with OK and may play a check that finishes meanwhile.
class PromptsDuringCheck : public ScriptedUserPrompts
{
public:
    std::function<void()> whileAsking;
    Button message(QWidget *parent, const QString &caption, const QString &text, Icon icon,
                   const QList<Button> &buttons) override
    {
        if (whileAsking)
            std::exchange(whileAsking, nullptr)();
        answerButton(Button::Ok);
        return ScriptedUserPrompts::message(parent, caption, text, icon, buttons);
    }
};

const QString Busy = QStringLiteral("You are currently connected to this server\r\n"
                                    "Please wait until this connection is closed before deleting messages");

} // namespace

class tst_TF_EMailList : public QObject
{
    Q_OBJECT

private slots:
    void views_data();
    void views();
    void marking_data();
    void marking();
    void marksSurviveACheckDuringTheMessage();
    void deletingStaysUntilTheNextCheck();
    void keys_data();
    void keys();
    void accountsMenu();
    void geometry();
};

void tst_TF_EMailList::views_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("noSize"); // a message of account 1 whose size could not be read

    QTest::newRow("single, no messages: one empty row")
        << QList<int>{0} << 1 << "one Account Information" << QStringList{"||||"} << 0;
    QTest::newRow("single, second of 2 and 3")
        << QList<int>{2, 3} << 2 << "two Account Information"
        << QStringList{row("Grüße 1", "s1@two", "1 kB", "", "two"), row("Grüße 2", "s2@two", "2 kB", "", "two"),
                       row("Grüße 3", "s3@two", "3 kB", "", "two")}
        << 0;
    QTest::newRow("combined, 2 and 3")
        << QList<int>{2, 3} << 0 << "List of All Accounts"
        << QStringList{row("Grüße 1", "s1@one", "1 kB", "", "one"), row("Grüße 2", "s2@one", "2 kB", "", "one"),
                       row("Grüße 1", "s1@two", "1 kB", "", "two"), row("Grüße 2", "s2@two", "2 kB", "", "two"),
                       row("Grüße 3", "s3@two", "3 kB", "", "two")}
        << 0;
    QTest::newRow("combined, a message without size keeps its row")
        << QList<int>{2, 1} << 0 << "List of All Accounts"
        << QStringList{row("Grüße 1", "s1@one", "", "", "one"), row("Grüße 2", "s2@one", "2 kB", "", "one"),
                       row("Grüße 1", "s1@two", "1 kB", "", "two")}
        << 1;
    QTest::newRow("combined skips an empty account")
        << QList<int>{0, 1} << 0 << "List of All Accounts" << QStringList{row("Grüße 1", "s1@two", "1 kB", "", "two")}
        << 0;
    QTest::newRow("combined, no messages: one empty row")
        << QList<int>{0, 0} << 0 << "List of All Accounts" << QStringList{"||||"} << 0;
}

void tst_TF_EMailList::views()
{
    QFETCH(QList<int>, counts);
    QFETCH(int, view);
    QFETCH(QString, caption);
    QFETCH(QStringList, rows);
    QFETCH(int, noSize);

    ListFixture fx(counts);
    if (noSize)
        fx.summary(1).Size[noSize].clear();
    fx.list->showAccount(view);
    QVERIFY(QTest::qWaitForWindowExposed(fx.list.get()));
    QCOMPARE(fx.list->shownAccount(), view);
    QCOMPARE(fx.list->windowTitle(), caption);
    QCOMPARE(fx.table(), rows);
    QStringList headers;
    for (int c = 0; c < TMailListModel::ColumnCount; ++c)
        headers << fx.grid()->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, QStringList({"Subject", "Sender", "Size", "Action", "Account"}));
    // The grid shows the decoded text; the summary keeps the bytes as received.
    if (counts.last() > 0)
        QCOMPARE(fx.summary(counts.size()).Subject.at(1), QByteArray(" =?utf-8?q?Gr=C3=BC=C3=9Fe?= 1"));

    // Widths: fractions of the grid's width, the account column only in the combined view,
    // and the subject the rest of what is visible, so there is nothing to scroll sideways;
    // also after a refresh.
    fx.w->mailList()->refreshAccount(view);
    const QTableView *g = fx.grid();
    const int w = g->width();
    QCOMPARE(w, fx.list->width());
    QCOMPARE(g->columnWidth(1), w / 3);
    QCOMPARE(g->columnWidth(2), w / 10);
    QCOMPARE(g->columnWidth(3), w / 8);
    QCOMPARE(g->columnWidth(4), view == 0 ? w / 8 : 0);
    QTRY_COMPARE(g->horizontalHeader()->length(), g->viewport()->width());
    QVERIFY(g->columnWidth(0) > 0);

    // A resize recomputes them.
    fx.list->resize(600, 300);
    QTRY_COMPARE(g->columnWidth(1), g->width() / 3);
    QTRY_COMPARE(g->horizontalHeader()->length(), g->viewport()->width());
}

void tst_TF_EMailList::marking_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("first"); // selected grid rows, from 0
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("busy"); // account being checked, 0 for none
    QTest::addColumn<QStringList>("pending");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<int>("messagesPerRun");
    QTest::addColumn<int>("noUid"); // a message of account 1 whose unique id could not be read

    const QString D = QStringLiteral("Deleting...");
    QTest::newRow("single view, one row") << QList<int>{2} << 1 << "selected" << 1 << 1 << 0
                                          << QStringList{"1:u1-2"} << QStringList{"", D} << 0 << 0;
    QTest::newRow("single view, delete all") << QList<int>{3} << 1 << "all" << 0 << 0 << 0
                                             << QStringList{"1:u1-1", "1:u1-2", "1:u1-3"} << QStringList{D, D, D} << 0 << 0;
    QTest::newRow("combined view, rows of two accounts, popup menu")
        << QList<int>{2, 3} << 0 << "popup" << 1 << 3 << 0 << QStringList{"1:u1-2", "2:u2-1", "2:u2-2"}
        << QStringList{"", D, D, D, ""} << 0 << 0;
    QTest::newRow("combined view, delete all")
        << QList<int>{2, 3} << 0 << "all" << 0 << 0 << 0
        << QStringList{"1:u1-1", "1:u1-2", "2:u2-1", "2:u2-2", "2:u2-3"} << QStringList{D, D, D, D, D} << 0 << 0;
    QTest::newRow("busy account: one message per row, nothing marked for it")
        << QList<int>{2, 3} << 0 << "selected" << 1 << 4 << 2 << QStringList{"1:u1-2"}
        << QStringList{"", D, "", "", ""} << 3 << 0;
    QTest::newRow("no messages: delete all does nothing")
        << QList<int>{0} << 1 << "all" << 0 << 0 << 0 << QStringList{} << QStringList{""} << 0 << 0;
    QTest::newRow("a message without unique id is not queued")
        << QList<int>{3} << 1 << "all" << 0 << 0 << 0 << QStringList{"1:u1-1", "1:u1-3"} << QStringList{D, "", D}
        << 0 << 2;
}

void tst_TF_EMailList::marking()
{
    QFETCH(QList<int>, counts);
    QFETCH(int, view);
    QFETCH(QString, command);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, busy);
    QFETCH(QStringList, pending);
    QFETCH(QStringList, actions);
    QFETCH(int, messagesPerRun);
    QFETCH(int, noUid);

    ScriptedUserPrompts prompts;
    for (int i = 0; i < 2 * messagesPerRun; ++i)
        prompts.answerButton(UserPrompts::Button::Ok);
    ListFixture fx(counts);
    if (noUid)
        fx.summary(1).UniqueID[noUid].clear();
    if (busy)
        fx.w->Accounts.data(busy).Busy = true;
    fx.list->showAccount(view);
    fx.select(first, last);

    const char *action = command == "all" ? "DeleteAllMails1" : command == "popup" ? "DeleteSelectedMails2"
                                                                                   : "DeleteSelectedMails1";
    QAction *item = fx.list->findChild<QAction *>(QLatin1String(action));
    QVERIFY(item);
    if (command == "popup")
        QVERIFY(fx.list->popupMenu()->actions().contains(item));
    // Twice: a second mark of the same rows queues nothing more.
    item->trigger();
    item->trigger();

    QCOMPARE(fx.pending(), pending);
    QCOMPARE(fx.column(TMailListModel::ActionColumn), actions);
    QCOMPARE(prompts.asked().size(), 2 * messagesPerRun);
    for (const auto &q : prompts.asked()) {
        QCOMPARE(q.text, Busy);
        QCOMPARE(q.icon, UserPrompts::Icon::Critical);
        QCOMPARE(q.buttons, QList<UserPrompts::Button>{UserPrompts::Button::Ok});
    }
    QCOMPARE(prompts.unexpected(), 0);
    // The marked accounts' next check comes 2 s later; the others keep their schedule.
    for (int n = 1; n <= counts.size(); ++n) {
        const bool marked = !fx.summary(n).Pending.isEmpty();
        QCOMPARE(fx.w->Accounts.slot(n).CheckTimer->interval() == 2000, marked);
        if (marked)
            QVERIFY(fx.w->Accounts.slot(n).CheckTimer->isActive());
    }
    // The selection stays where it was, so the user sees what was marked.
    if (command != "all" && first >= 0)
        QCOMPARE(fx.grid()->selectionModel()->selectedRows().size(), last - first + 1);
    fx.w->Accounts.data(busy).Busy = false;
}

void tst_TF_EMailList::marksSurviveACheckDuringTheMessage()
{
    // Rows: one/1, two/1, two/2 (being checked), three/1, three/2; the last four are selected.
    // While the user reads the first busy message, account one's check ends with a new
    // message and the rows move down one.
    PromptsDuringCheck prompts;
    ListFixture fx({1, 2, 2});
    fx.w->Accounts.data(2).Busy = true;
    fx.list->showAccount(0);
    fx.select(1, 4);
    prompts.whileAsking = [&] {
        fill(*fx.w, 1, 2);
        fx.w->mailList()->refreshAccount(0);
    };
    fx.list->DeleteSelectedMails1Click();

    QCOMPARE(prompts.asked().size(), 2);
    QCOMPARE(fx.pending(), QStringList({"3:u3-1", "3:u3-2"}));
    const QString D = QStringLiteral("Deleting...");
    QCOMPARE(fx.column(TMailListModel::ActionColumn), QStringList({"", "", "", "", D, D}));
    fx.w->Accounts.data(2).Busy = false;
}

void tst_TF_EMailList::deletingStaysUntilTheNextCheck()
{
    ListFixture fx({2, 3});
    fx.list->showAccount(0);
    fx.select(3, 3); // two/2
    fx.list->DeleteSelectedMails1Click();
    const QString D = QStringLiteral("Deleting...");
    QCOMPARE(fx.column(TMailListModel::ActionColumn), QStringList({"", "", "", D, ""}));

    // A check starts over the account's lists: the grid keeps what it showed until the refresh.
    TMailSummary saved = fx.summary(2);
    fx.summary(2).reset();
    QCOMPARE(fx.column(TMailListModel::ActionColumn), QStringList({"", "", "", D, ""}));
    fx.summary(2) = saved;

    // Another account's check refreshes the combined view; another view and back: still marked.
    fill(*fx.w, 1, 1);
    fx.w->mailList()->refreshAccount(0);
    QCOMPARE(fx.column(TMailListModel::ActionColumn), QStringList({"", "", D, ""}));
    fx.list->showView(2);
    QCOMPARE(fx.column(TMailListModel::ActionColumn), QStringList({"", D, ""}));
    fx.list->showView(0);

    // The tick 2 s later checks the account; offline the check does nothing and the mark stays.
    QTimer *timer = fx.w->Accounts.slot(2).CheckTimer;
    QCOMPARE(timer->interval(), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(timer->interval(), 500000 + 20, 5000);
    QCOMPARE(fx.pending(), QStringList({"2:u2-2"}));
    fx.w->mailList()->refreshAccount(0);
    QCOMPARE(fx.column(TMailListModel::ActionColumn), QStringList({"", "", D, ""}));

    // The next check that reaches the server deletes it and reads the lists anew.
    TMailSummary &s = fx.summary(2);
    s.removeLine(2);
    s.Pending.clear();
    fx.w->mailList()->refreshAccount(0);
    QCOMPARE(fx.table(), QStringList({row("Grüße 1", "s1@one", "1 kB", "", "one"),
                                      row("Grüße 1", "s1@two", "1 kB", "", "two"),
                                      row("Grüße 3", "s3@two", "3 kB", "", "two")}));
}

void tst_TF_EMailList::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("marked");
    QTest::addColumn<int>("selectedRows");
    QTest::addColumn<bool>("visible");

    QTest::newRow("Delete marks the selection") << int(Qt::Key_Delete) << 0 << 2 << 2 << true;
    QTest::newRow("Ctrl+D marks the selection") << int(Qt::Key_D) << int(Qt::ControlModifier) << 2 << 2 << true;
    QTest::newRow("D alone does nothing") << int(Qt::Key_D) << 0 << 0 << 2 << true;
    QTest::newRow("Ctrl+A selects every row") << int(Qt::Key_A) << int(Qt::ControlModifier) << 0 << 4 << true;
    QTest::newRow("X closes") << int(Qt::Key_X) << 0 << 0 << 2 << false;
    QTest::newRow("Shift+X closes") << int(Qt::Key_X) << int(Qt::ShiftModifier) << 0 << 2 << false;
}

void tst_TF_EMailList::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, marked);
    QFETCH(int, selectedRows);
    QFETCH(bool, visible);

    ListFixture fx({4});
    fx.list->showAccount(1);
    QVERIFY(QTest::qWaitForWindowExposed(fx.list.get()));
    fx.select(1, 2);
    QTest::keyClick(fx.grid(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(fx.summary(1).Pending.size(), marked);
    QCOMPARE(fx.grid()->selectionModel()->selectedRows().size(), selectedRows);
    QCOMPARE(fx.list->isVisible(), visible);
}

void tst_TF_EMailList::accountsMenu()
{
    ListFixture fx({1, 1});
    TF_CheckerWindow &w = *fx.w;
    auto captions = [&] {
        QStringList out;
        for (const QAction *a : fx.list->accountsMenu()->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    QCOMPARE(captions(), QStringList({"All Accounts", "-", "one", "two"}));
    QCOMPARE(fx.list->accountsMenu()->actions().at(0), w.AllAccountsItem);

    // A new account: its slot's item joins at the end, with the name once it is given.
    ++w.Accounts.AccountCount;
    w.E_Setlengths();
    w.Accounts.data(3).Name = "three";
    fx.list->rebuildAccountMenu();
    fx.list->rebuildAccountMenu();
    QCOMPARE(captions(), QStringList({"All Accounts", "-", "one", "two", "three"}));

    // Deleting account 2: the last item goes, the names move up.
    w.Accounts.removeAccountData(2);
    w.fieldSlot(3).Field->hide();
    fx.list->removeAccountItem(w.fieldSlot(3).AccountListItem);
    w.E_Setlengths();
    fx.list->rebuildAccountMenu();
    QCOMPARE(captions(), QStringList({"All Accounts", "-", "one", "three"}));

    // On activation each item is enabled by its account's List flag.
    w.Accounts.data(2).List = false;
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(fx.list.get(), &activate);
    QVERIFY(w.fieldSlot(1).AccountListItem->isEnabled());
    QVERIFY(!w.fieldSlot(2).AccountListItem->isEnabled());

    w.Accounts.data(2).List = true;
    QCoreApplication::sendEvent(fx.list.get(), &activate);
    QVERIFY(w.fieldSlot(2).AccountListItem->isEnabled());

    // Choosing an item shows that view; the checker window's commands open the window.
    w.fieldSlot(2).AccountListItem->trigger();
    QCOMPARE(fx.list->shownAccount(), 2);
    QCOMPARE(fx.list->windowTitle(), QStringLiteral("three Account Information"));
    w.AllAccountsItem->trigger();
    QCOMPARE(fx.list->shownAccount(), 0);
    w.MailListClick(1);
    QVERIFY(fx.list->isVisible());
    QCOMPARE(fx.list->shownAccount(), 1);
}

void tst_TF_EMailList::geometry()
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    {
        // No settings file: centred at the form's own size.
        CheckerFixture fx;
        TF_CheckerWindow &first = fx.start();
        QVERIFY(!QFile::exists(fx.iniPath()));
        TF_EMailList list(first);
        QCOMPARE(list.size(), QSize(400, 197));
        QCOMPARE(list.pos(), QPoint((screen.width() - 400) / 2, (screen.height() - 197) / 2));
    }
    CheckerFixture fx;
    fx.writeIni("[Main]\r\non/offline=off\r\n[EMailList]\r\nWidth=500\r\nX=30\r\n");
    TF_CheckerWindow &w = fx.start();
    auto list = std::make_unique<TF_EMailList>(w);
    QCOMPARE(list->size(), QSize(500, 167));
    QCOMPARE(list->pos(), QPoint(30, 200));

    // "Reset Window Positions": centred with the size it has, then 425 x 167.
    list->resize(300, 100);
    w.Reset1Click();
    QCOMPARE(list->pos(), QPoint((screen.width() - 300) / 2, (screen.height() - 100) / 2));
    QCOMPARE(list->size(), QSize(425, 167));

    // Written once at exit, whether the exit or the destruction comes first.
    list->move(40, 50);
    list->resize(450, 180);
    emit w.exiting();
    list->move(60, 70);
    list.reset();
    TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readInteger("EMailList", "Width", 0), 450);
    QCOMPARE(ini.readInteger("EMailList", "Height", 0), 180);
    QCOMPARE(ini.readInteger("EMailList", "X", 0), 40);
    QCOMPARE(ini.readInteger("EMailList", "Y", 0), 50);

    // Without an exit signal the destruction writes it.
    {
        TF_EMailList again(w);
        QCOMPARE(again.pos(), QPoint(40, 50));
        again.move(10, 20);
    }
    ini.reload();
    QCOMPARE(ini.readInteger("EMailList", "X", 0), 10);
    QCOMPARE(ini.readInteger("EMailList", "Y", 0), 20);
}

QTEST_MAIN(tst_TF_EMailList)
#include "tst_TF_EMailList.moc"
