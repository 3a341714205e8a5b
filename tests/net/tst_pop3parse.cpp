// The POP3 client's reading of server lines, on bytes: no server needed.
#include "net/Pop3Parse.h"
#include "platform/GeneralError.h"

#include <QTest>

using Pop3Parse::Listed;

class TstPop3Parse : public QObject
{
    Q_OBJECT
private slots:
    void status_data();
    void status();
    void numbers_data();
    void numbers();
    void ids_data();
    void ids();
    void headerFields_data();
    void headerFields();
    void headerLines();
    void capabilityName_data();
    void capabilityName();
    void greetingTimestamp_data();
    void greetingTimestamp();
};

void TstPop3Parse::status_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("positive");
    QTest::addColumn<bool>("negative");

    QTest::newRow("+OK with text") << QByteArray("+OK ready\r\n") << true << true << false;
    QTest::newRow("+OK alone: accepted, not a bare +OK field") << QByteArray("+OK\r\n") << true << false << false;
    QTest::newRow("-ERR") << QByteArray("-ERR no such message\r\n") << false << false << true;
    QTest::newRow("-ERR alone") << QByteArray("-ERR") << false << false << true;
    QTest::newRow("nothing (server gone)") << QByteArray() << false << false << false;
    QTest::newRow("leading blank") << QByteArray(" +OK x\r\n") << false << false << false;
    QTest::newRow("+OK inside the first word") << QByteArray("x+OKy z\r\n") << true << false << false;
    QTest::newRow("+OK later only") << QByteArray("* +OK\r\n") << false << false << false;
    QTest::newRow("lower case") << QByteArray("+ok x\r\n") << false << false << false;
}

void TstPop3Parse::status()
{
    QFETCH(QByteArray, reply);
    QTEST(Pop3Parse::accepted(reply), "accepted");
    QTEST(Pop3Parse::positive(reply), "positive");
    QTEST(Pop3Parse::negative(reply), "negative");
}

// Each row parses `text` with one of the number readers; a raising reader gives its message.
void TstPop3Parse::numbers_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<qint32>("size");
    QTest::addColumn<QString>("error");

    QTest::newRow("STAT") << "stat" << QByteArray("+OK 3 1200\r\n") << 3 << 0 << "";
    QTest::newRow("STAT, no number") << "stat" << QByteArray("+OK many 1200\r\n") << 0 << 0 << "";
    QTest::newRow("STAT, two blanks") << "stat" << QByteArray("+OK  3 1200\r\n") << 0 << 0 << "";
    QTest::newRow("STAT, over 32 bits") << "stat" << QByteArray("+OK 4294967296 1\r\n") << 0 << 0 << "";
    QTest::newRow("size line") << "size" << QByteArray("2 4711") << 2 << 4711 << "";
    QTest::newRow("size line, extra field ignored") << "size" << QByteArray("2 4711 x") << 2 << 4711 << "";
    QTest::newRow("size line, bad size") << "size" << QByteArray("2 47x1") << 0 << 0 << "Not a number: '47x1'";
    QTest::newRow("size line, bad number") << "size" << QByteArray("two 1") << 0 << 0 << "Not a number: 'two'";
    QTest::newRow("size line, no size") << "size" << QByteArray("2") << 0 << 0 << "Not a number: ''";
    QTest::newRow("size line, two blanks") << "size" << QByteArray("2  4711") << 0 << 0 << "Not a number: ''";
    // Up to nine digits take a short way; longer and signed numbers the general reader's.
    QTest::newRow("size line, nine digits") << "size" << QByteArray("999999999 123456789") << 999999999 << 123456789
                                            << "";
    QTest::newRow("size line, largest") << "size" << QByteArray("1 2147483647") << 1 << 2147483647 << "";
    QTest::newRow("size line, past 32 bits") << "size" << QByteArray("1 2147483648") << 0 << 0
                                             << "Not a number: '2147483648'";
    QTest::newRow("size line, signs") << "size" << QByteArray("+1 -5") << 1 << -5 << "";
    QTest::newRow("lenient size line") << "sizeOrZero" << QByteArray("2 4711") << 2 << 4711 << "";
    QTest::newRow("lenient, each field alone") << "sizeOrZero" << QByteArray("2 47x1") << 2 << 0 << "";
    QTest::newRow("lenient, bad number") << "sizeOrZero" << QByteArray("x 5") << 0 << 5 << "";
    QTest::newRow("LIST n reply") << "sizeReply" << QByteArray("+OK 2 4711\r\n") << 0 << 4711 << "";
    QTest::newRow("LIST n reply, trailing blanks") << "sizeReply" << QByteArray("+OK 2 4711  \r\n") << 0 << 4711
                                                   << "";
    QTest::newRow("LIST n reply, no size") << "sizeReply" << QByteArray("+OK 2\r\n") << 0 << 0
                                           << "Not a number: ''";
}

void TstPop3Parse::numbers()
{
    QFETCH(QString, reader);
    QFETCH(QByteArray, text);
    QFETCH(QString, error);

    Listed got;
    QString raised;
    try {
        if (reader == QLatin1String("stat"))
            got.number = Pop3Parse::statCount(text);
        else if (reader == QLatin1String("size"))
            got = Pop3Parse::sizeLine(text);
        else if (reader == QLatin1String("sizeOrZero"))
            got = Pop3Parse::sizeLineOrZero(text);
        else
            got.size = Pop3Parse::sizeReply(text);
    } catch (const EGeneralError &e) {
        raised = e.message();
    }
    QCOMPARE(raised, error);
    QTEST(got.number, "number");
    QTEST(got.size, "size");
}

// The id of a listing line and of a "UIDL n" reply keep the line end: both are compared
// with each other and with stored ids, so they must read alike.
void TstPop3Parse::ids_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QByteArray>("id");

    QTest::newRow("listing line") << QByteArray("1 whqtswO00WBw418f9t5JxYwZ\r\n") << 1
                                  << QByteArray("whqtswO00WBw418f9t5JxYwZ\r\n");
    QTest::newRow("bare LF") << QByteArray("12 abc\n") << 12 << QByteArray("abc\n");
    QTest::newRow("third field cut") << QByteArray("2 a b\r\n") << 2 << QByteArray("a");
    QTest::newRow("no number") << QByteArray("x abc\r\n") << -1 << QByteArray("abc\r\n");
    QTest::newRow("no id") << QByteArray("3\r\n") << -1 << QByteArray();
    QTest::newRow("two blanks: empty id") << QByteArray("4  abc\r\n") << 4 << QByteArray();
}

void TstPop3Parse::ids()
{
    QFETCH(QByteArray, line);
    QFETCH(qint32, number);
    QFETCH(QByteArray, id);

    const Pop3Parse::ListedId listed = Pop3Parse::idLine(line);
    QCOMPARE(listed.number, number);
    QCOMPARE(listed.id, id);
    // The single reply "+OK n id" carries the same id as the listing's "n id".
    const std::optional<QByteArray> single = Pop3Parse::uniqueIdReply("+OK " + line);
    QVERIFY(single);
    QCOMPARE(*single, id);
    QVERIFY(!Pop3Parse::uniqueIdReply("-ERR " + line));
    QVERIFY(!Pop3Parse::uniqueIdReply("+OKAY " + line));
}

void TstPop3Parse::headerFields_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("subject");
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("messageId");

    const QByteArray longId = '<' + QByteArray(300, 'i') + "@h>\r\n";
    QTest::newRow("the three fields, raw")
        << QByteArrayList{"Subject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?=\r\n", "From: Ann <ann@example.org>\n",
                          "Message-ID: <1@example.org>\r\n"}
        << QByteArray(" =?UTF-8?Q?Gr=C3=BC=C3=9Fe?=") << QByteArray(" Ann <ann@example.org>")
        << QByteArray("<1@example.org>\r\n");
    QTest::newRow("Message-ID cut at 256 bytes") << QByteArrayList{"Message-ID: " + longId} << QByteArray()
                                                 << QByteArray() << longId.left(256);
    QTest::newRow("names in other case are not read")
        << QByteArrayList{"subject: a\r\n", "FROM: b\r\n", "Message-Id: <c>\r\n"} << QByteArray() << QByteArray()
        << QByteArray();
    QTest::newRow("other and continued lines change nothing")
        << QByteArrayList{"Subject: first\r\n", " continued\r\n", "X-Subject: no\r\n", ".\r\n"}
        << QByteArray(" first") << QByteArray() << QByteArray();
    QTest::newRow("a later line wins") << QByteArrayList{"From: a\r\n", "From: b\r\n"} << QByteArray()
                                       << QByteArray(" b") << QByteArray();
    QTest::newRow("empty value") << QByteArrayList{"Subject:\r\n"} << QByteArray("") << QByteArray()
                                 << QByteArray();
    // Only LF or CR LF ends a line: a lone CR is part of the value.
    QTest::newRow("no line end, lone CR") << QByteArrayList{"Subject: plain", "From: x\r"} << QByteArray(" plain")
                                          << QByteArray(" x\r") << QByteArray();
}

void TstPop3Parse::headerFields()
{
    QFETCH(QByteArrayList, lines);

    TSummary summary;
    for (const QByteArray &line : std::as_const(lines))
        Pop3Parse::takeHeaderField(summary, line);
    QTEST(summary.Subject, "subject");
    QTEST(summary.From, "from");
    QTEST(summary.MessageId, "messageId");
    QVERIFY(summary.Header.isEmpty());
}

void TstPop3Parse::headerLines()
{
    THeaderLines header;
    // Two runs as a connection hands them over; CR LF and bare LF ends, a lone CR kept.
    header.append("Subject: a\r\n\r\n", 2);
    header.append("X: b\r\r\n.\n", 2);
    QCOMPARE(header.size(), 4);
    QCOMPARE(header.at(0), QByteArrayView("Subject: a"));
    QCOMPARE(header.at(1), QByteArrayView(""));
    QCOMPARE(header.at(2), QByteArrayView("X: b\r"));
    QCOMPARE(header.last(), QByteArrayView("."));
    QCOMPARE(header.toList(), (QByteArrayList{"Subject: a", "", "X: b\r", "."}));
    header.clear();
    QVERIFY(header.isEmpty());
    header.append("Only\r\n", 1);
    QCOMPARE(header.toList(), QByteArrayList{"Only"});
}

void TstPop3Parse::capabilityName_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("bare") << QByteArray("STLS") << QByteArray("STLS");
    QTest::newRow("with arguments") << QByteArray("SASL PLAIN LOGIN") << QByteArray("SASL");
    QTest::newRow("case kept, tab trimmed") << QByteArray("pipelining\t") << QByteArray("pipelining");
    QTest::newRow("leading blank: no name") << QByteArray(" STLS") << QByteArray();
}

void TstPop3Parse::capabilityName()
{
    QFETCH(QByteArray, line);
    QTEST(Pop3Parse::capabilityName(line), "name");
}

void TstPop3Parse::greetingTimestamp_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("stamp");

    QTest::newRow("usual") << QByteArray("+OK POP3 server ready <1896.697170952@dbc.example.org>\r\n")
                           << QByteArray("<1896.697170952@dbc.example.org>");
    QTest::newRow("text after it") << QByteArray("+OK <1.2@h> hello\r\n") << QByteArray("<1.2@h>");
    QTest::newRow("none") << QByteArray("+OK Dovecot ready.\r\n") << QByteArray();
    QTest::newRow("unterminated") << QByteArray("+OK <1.2@h\r\n") << QByteArray();
    QTest::newRow("no @") << QByteArray("+OK <12345>\r\n") << QByteArray();
    QTest::newRow("blank inside") << QByteArray("+OK <a b@h>\r\n") << QByteArray();
    QTest::newRow("nested bracket") << QByteArray("+OK <<a@h>\r\n") << QByteArray();
    QTest::newRow("empty") << QByteArray("+OK <>\r\n") << QByteArray();
}

void TstPop3Parse::greetingTimestamp()
{
    QFETCH(QByteArray, greeting);
    QTEST(Pop3Parse::greetingTimestamp(greeting), "stamp");
}

QTEST_GUILESS_MAIN(TstPop3Parse)
#include "tst_pop3parse.moc"
