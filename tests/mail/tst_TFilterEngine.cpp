#include "mail/TFilterEngine.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<TFilter>)

namespace {

TFilter rule(qint32 condition, qint32 account, const QByteArray &argument, qint32 action = 0)
{
    TFilter f;
    f.IfCondition = condition;
    f.Account = account;
    f.Action = action;
    f.Argument = argument;
    return f;
}

// Six messages as the check cycle reads them: sender and subject keep the blank after the
// colon, ids keep the server's line end. Message 6 has a size text that is no number; rows
// reach it only with a mail count of 6 or more.
TMailSummary fixture()
{
    TMailSummary s;
    s.Sender << " news@example.org"
             << " News <News@example.org>"
             << " friend@home"
             << " spam|news"
             << " boss@work"
             << " odd@example.org";
    s.Subject << " Hello"
              << "Hello"
              << " Hello world"
              << " WIN"
              << "  Hello"
              << " x";
    s.Size << "1 kB"
           << "12 kB"
           << "101 kB"
           << "100 kB"
           << "11 kB"
           << "lots kB";
    s.UniqueID << "u1\r\n"
               << "u2\r\n"
               << "u3\r\n"
               << "u4\r\n"
               << "u5\r\n"
               << "u6\r\n";
    return s;
}

QByteArrayList ids(std::initializer_list<int> messages)
{
    QByteArrayList out;
    for (int m : messages)
        out << "u" + QByteArray::number(m) + "\r\n";
    return out;
}

} // namespace

class tst_TFilterEngine : public QObject
{
    Q_OBJECT

private slots:
    void evaluate_data();
    void evaluate();
};

void tst_TFilterEngine::evaluate_data()
{
    QTest::addColumn<QList<TFilter>>("rules");
    QTest::addColumn<qint32>("account");
    QTest::addColumn<qint32>("mailCount");
    QTest::addColumn<QByteArrayList>("before"); // already queued by the user
    QTest::addColumn<QByteArrayList>("after");

    using R = QList<TFilter>;
    QTest::newRow("sender contains, any account")
        << R{rule(0, 0, "news")} << 3 << 5 << QByteArrayList() << ids({1, 4});
    QTest::newRow("sender contains is case-sensitive")
        << R{rule(0, 0, "News")} << 1 << 5 << QByteArrayList() << ids({2});
    QTest::newRow("sender contains empty: every message")
        << R{rule(0, 0, "")} << 1 << 5 << QByteArrayList() << ids({1, 2, 3, 4, 5});
    QTest::newRow("sender does not contain")
        << R{rule(1, 0, "news")} << 1 << 5 << QByteArrayList() << ids({2, 3, 5});
    QTest::newRow("sender does not contain empty: never")
        << R{rule(1, 0, "")} << 1 << 5 << QByteArrayList() << QByteArrayList();
    QTest::newRow("subject is: the blank after the colon")
        << R{rule(2, 0, "Hello")} << 1 << 5 << QByteArrayList() << ids({1});
    QTest::newRow("subject is: argument with its own blank")
        << R{rule(2, 0, " Hello")} << 1 << 5 << QByteArrayList() << ids({5});
    QTest::newRow("subject contains")
        << R{rule(3, 0, "Hello")} << 1 << 5 << QByteArrayList() << ids({1, 2, 3, 5});
    QTest::newRow("subject does not contain")
        << R{rule(4, 0, "Hello")} << 1 << 5 << QByteArrayList() << ids({4});
    QTest::newRow("size is: text compare") << R{rule(5, 0, "1")} << 1 << 5 << QByteArrayList() << ids({1});
    QTest::newRow("size is: leading blank or unit match nothing")
        << R{rule(5, 0, " 1"), rule(5, 0, "1 kB")} << 1 << 5 << QByteArrayList() << QByteArrayList();
    QTest::newRow("size is larger than, strict")
        << R{rule(7, 0, "100")} << 1 << 5 << QByteArrayList() << ids({3});
    QTest::newRow("size is smaller than, strict")
        << R{rule(6, 0, "12")} << 1 << 5 << QByteArrayList() << ids({1, 5});
    QTest::newRow("a signed argument is a number")
        << R{rule(6, 0, "-1"), rule(0, 0, "friend")} << 1 << 5 << QByteArrayList() << ids({3});
    QTest::newRow("one entry per message, order of first marking")
        << R{rule(3, 0, "world"), rule(0, 0, "news"), rule(3, 0, "Hello")} << 1 << 5 << QByteArrayList()
        << ids({3, 1, 4, 2, 5});
    QTest::newRow("user's marks stay first and once")
        << R{rule(3, 0, "Hello")} << 1 << 5 << ids({2}) << ids({2, 1, 3, 5});
    QTest::newRow("non-numeric size argument ends all rules")
        << R{rule(0, 0, "news"), rule(6, 0, "abc"), rule(0, 0, "friend")} << 1 << 5 << QByteArrayList()
        << ids({1, 4});
    QTest::newRow("argument with a blank is no number")
        << R{rule(6, 0, "12 "), rule(0, 0, "friend")} << 1 << 5 << QByteArrayList() << QByteArrayList();
    QTest::newRow("bad size text ends it mid-rule, marks kept")
        << R{rule(7, 0, "10"), rule(0, 0, "example")} << 1 << 6 << QByteArrayList() << ids({2, 3, 4, 5});
    QTest::newRow("rule for another account does nothing")
        << R{rule(0, 2, "news")} << 1 << 5 << QByteArrayList() << QByteArrayList();
    QTest::newRow("rule for this account")
        << R{rule(0, 2, "news")} << 2 << 5 << QByteArrayList() << ids({1, 4});
    QTest::newRow("bad size rule of another account is skipped")
        << R{rule(6, 2, "abc"), rule(0, 0, "friend")} << 1 << 5 << QByteArrayList() << ids({3});
    QTest::newRow("unknown conditions match nothing") << R{rule(-1, 0, ""), rule(8, 0, ""), rule(-1, -1, "")}
                                                      << 1 << 5 << QByteArrayList() << QByteArrayList();
    QTest::newRow("the action is not consulted")
        << R{rule(0, 0, "friend", -1)} << 1 << 5 << QByteArrayList() << ids({3});
    QTest::newRow("mail count above the lists: no id, no mark")
        << R{rule(1, 0, "zzz"), rule(5, 0, "1")} << 1 << 9 << QByteArrayList() << ids({1, 2, 3, 4, 5, 6});
    QTest::newRow("no messages") << R{rule(0, 0, "")} << 1 << 0 << QByteArrayList() << QByteArrayList();
}

void tst_TFilterEngine::evaluate()
{
    QFETCH(QList<TFilter>, rules);
    QFETCH(qint32, account);
    QFETCH(qint32, mailCount);
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArrayList, after);

    TMailSummary summary = fixture();
    summary.Pending = before;
    const TMailSummary untouched = summary;
    TFilterEngine::evaluate(rules, account, mailCount, summary);
    QCOMPARE(summary.Pending, after);
    QCOMPARE(summary.Sender, untouched.Sender); // only the pending list changes
    QCOMPARE(summary.UniqueID, untouched.UniqueID);
}

QTEST_GUILESS_MAIN(tst_TFilterEngine)
#include "tst_TFilterEngine.moc"
