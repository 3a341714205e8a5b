// Subjects and senders as the mail list shows them: encoded words decoded, the rest as read.
#include "mail/TEncodedWords.h"

#include <QTest>

class tst_TEncodedWords : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
};

void tst_TEncodedWords::decode_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("shown");

    // Plain text: UTF-8 when it is valid, else Latin-1; folded lines joined.
    QTest::newRow("plain ascii keeps the blank") << QByteArray(" Hello") << QStringLiteral(" Hello");
    QTest::newRow("raw utf-8") << QByteArray("Gr\xc3\xbc\xc3\x9f" "e") << QStringLiteral("Grüße");
    QTest::newRow("raw latin-1") << QByteArray("Caf\xe9") << QStringLiteral("Café");
    QTest::newRow("folded plain") << QByteArray("long\r\n subject\r\n") << QStringLiteral("long subject");
    QTest::newRow("not a word") << QByteArray("a =? b ?= c") << QStringLiteral("a =? b ?= c");

    // Well-formed words.
    QTest::newRow("utf-8 B") << QByteArray("=?UTF-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?=") << QStringLiteral("Grüße aus Köln");
    QTest::newRow("utf-8 Q, underscores")
        << QByteArray("=?utf-8?Q?Gr=C3=BC=C3=9Fe_aus_K=c3=b6ln?=") << QStringLiteral("Grüße aus Köln");
    QTest::newRow("latin-1 Q in text") << QByteArray(" Re: =?ISO-8859-1?Q?Caf=E9?= today")
                                       << QStringLiteral(" Re: Café today");
    QTest::newRow("latin-1 b, lower case") << QByteArray("=?iso-8859-1?b?Q2Fm6Q==?=") << QStringLiteral("Café");
    QTest::newRow("sender with name") << QByteArray(" =?utf-8?q?J=C3=B6rg_M=C3=BCller?= <jm@example.org>")
                                      << QStringLiteral(" Jörg Müller <jm@example.org>");
    QTest::newRow("windows-1252 euro") << QByteArray("=?windows-1252?Q?=80_5?=") << QStringLiteral("€ 5");
    QTest::newRow("koi8-r") << QByteArray("=?koi8-r?B?8NLJ18XU?=") << QStringLiteral("Привет");
    QTest::newRow("iso-2022-jp") << QByteArray("=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=")
                                 << QStringLiteral("こんにちは");
    QTest::newRow("shift_jis") << QByteArray("=?Shift_JIS?B?k/qWe4zq?=") << QStringLiteral("日本語");
    QTest::newRow("language suffix") << QByteArray("=?utf-8*de?Q?Stra=C3=9Fe?=") << QStringLiteral("Straße");
    QTest::newRow("empty text") << QByteArray("x=?utf-8?q?" "?=y") << QStringLiteral("xy");

    // Adjacent words: the whitespace between them goes, also across a folded line.
    QTest::newRow("adjacent words") << QByteArray("=?utf-8?q?a?= =?utf-8?q?b?=\t=?utf-8?q?c?=") << QStringLiteral("abc");
    QTest::newRow("character split across words")
        << QByteArray("=?UTF-8?B?4oI=?= =?UTF-8?B?rA==?=") << QStringLiteral("€");
    QTest::newRow("split across a folded line")
        << QByteArray("=?UTF-8?Q?Angebot_=E2=82?=\r\n =?UTF-8?Q?=AC_5?=") << QStringLiteral("Angebot € 5");
    QTest::newRow("adjacent, different charsets")
        << QByteArray("=?iso-8859-1?q?caf=E9?= =?utf-8?q?_=E2=82=AC?=") << QStringLiteral("café €");

    // What cannot be decoded is shown as written, with the whitespace around it.
    QTest::newRow("unknown charset") << QByteArray("=?x-unknown?Q?abc?=") << QStringLiteral("=?x-unknown?Q?abc?=");
    QTest::newRow("unknown charset between words")
        << QByteArray("=?utf-8?q?a?= =?x-unknown?Q?b?= =?utf-8?q?c?=")
        << QStringLiteral("a =?x-unknown?Q?b?= c");
    QTest::newRow("unknown encoding") << QByteArray("=?utf-8?X?abc?=") << QStringLiteral("=?utf-8?X?abc?=");
    QTest::newRow("broken base64") << QByteArray("=?utf-8?B?R3L!?= ok") << QStringLiteral("=?utf-8?B?R3L!?= ok");
    QTest::newRow("broken Q escape") << QByteArray("=?utf-8?Q?a=ZZ?=") << QStringLiteral("=?utf-8?Q?a=ZZ?=");
    QTest::newRow("Q escape cut off") << QByteArray("=?utf-8?Q?a=E?=") << QStringLiteral("=?utf-8?Q?a=E?=");
    QTest::newRow("invalid utf-8 octet") << QByteArray("=?utf-8?B?/w==?=") << QStringLiteral("=?utf-8?B?/w==?=");
    QTest::newRow("character left incomplete")
        << QByteArray("=?utf-8?Q?=E2=82?= =?iso-8859-1?q?x?=") << QStringLiteral("=?utf-8?Q?=E2=82?= x");
    QTest::newRow("blank inside a word") << QByteArray("=?utf-8?Q?a b?=") << QStringLiteral("=?utf-8?Q?a b?=");
}

void tst_TEncodedWords::decode()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, shown);
    QCOMPARE(TEncodedWords::decode(raw), shown);
}

QTEST_APPLESS_MAIN(tst_TEncodedWords)
#include "tst_TEncodedWords.moc"
