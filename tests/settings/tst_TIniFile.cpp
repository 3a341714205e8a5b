#include "platform/GeneralError.h"
#include "settings/TIniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void putFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A small settings file with the things a hand-edited one has: comments, blank lines,
// keys and sections the program does not know, a line that is no key.
const QByteArray Fixture = "; vorlo settings\r\n"
                           "[Main]\r\n"
                           "ECount=2\r\n"
                           "Hand=made\r\n"
                           "\r\n"
                           "; accounts follow\r\n"
                           "[1]\r\n"
                           "Name=Home\r\n"
                           "[Unknown]\r\n"
                           "stray line without equals\r\n"
                           "X = 1 \r\n";

// `utf8` as a UTF-16 file with its byte-order mark.
QByteArray utf16(const QByteArray &utf8, bool littleEndian)
{
    QByteArray out = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (QChar c : QString::fromUtf8(utf8)) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        out += littleEndian ? low : high;
        out += littleEndian ? high : low;
    }
    return out;
}

const QFile::Permissions OwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
const QFile::Permissions AllModeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                       QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                       QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

} // namespace

class tst_TIniFile : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path() const { return m_dir->filePath(QStringLiteral("vorlo.ini")); }
    // A directory entry whose temporary sibling (name plus a suffix) cannot be created: the
    // name is already as long as a file name may be. Fails a save even for a privileged user.
    QString unsavablePath() const { return m_dir->filePath(QString(255, u'v')); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void write_data();
    void write();
    void read_data();
    void read();
    void roundTrip_data();
    void roundTrip();
    void integer_data();
    void integer();
    void writesSignedDecimal();
    void scramble_data();
    void scramble();
    void storedPassword_data();
    void storedPassword();
    void ownerOnlyMode();
    void writeFailure_data();
    void writeFailure();
    void batchReplacesFileOnce();
    void batchLeftByExceptionKeepsOldFile();
    void batchFlushFailureKeepsOldFile();
    void writesKeepOtherCopiesKeys();
};

void tst_TIniFile::write_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file yet
    QTest::addColumn<QByteArray>("op");     // "write" or "erase"
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    QByteArray expected = Fixture;
    QTest::newRow("replace in place")
        << Fixture << QByteArray("write") << QByteArray("Main") << QByteArray("ECount") << QByteArray("3")
        << expected.replace("ECount=2", "ECount=3");
    expected = Fixture;
    QTest::newRow("names without case, spelling kept")
        << Fixture << QByteArray("write") << QByteArray("MAIN") << QByteArray("ecount") << QByteArray("4")
        << expected.replace("ECount=2", "ECount=4");
    expected = Fixture;
    QTest::newRow("new key after the section's last key")
        << Fixture << QByteArray("write") << QByteArray("Main") << QByteArray("Round") << QByteArray("1")
        << expected.replace("Hand=made\r\n", "Hand=made\r\nRound=1\r\n");
    QTest::newRow("new section at the end")
        << Fixture << QByteArray("write") << QByteArray("Metrics") << QByteArray("VSpace") << QByteArray("8")
        << Fixture + "[Metrics]\r\nVSpace=8\r\n";
    expected = Fixture;
    QTest::newRow("replace keeps the text up to the equals sign")
        << Fixture << QByteArray("write") << QByteArray("unknown") << QByteArray("x") << QByteArray("2")
        << expected.replace("X = 1 ", "X =2");
    expected = Fixture;
    QTest::newRow("erase removes the section line and its keys")
        << Fixture << QByteArray("erase") << QByteArray("1") << QByteArray() << QByteArray()
        << expected.replace("[1]\r\nName=Home\r\n", "");
    QTest::newRow("erase the last section, any case")
        << Fixture << QByteArray("erase") << QByteArray("UNKNOWN") << QByteArray() << QByteArray()
        << Fixture.first(Fixture.indexOf("[Unknown]"));
    QTest::newRow("erase an absent section")
        << Fixture << QByteArray("erase") << QByteArray("2") << QByteArray() << QByteArray() << Fixture;
    QTest::newRow("first of duplicate keys replaced")
        << QByteArray("[S]\r\nk=1\r\nK=2\r\n") << QByteArray("write") << QByteArray("S") << QByteArray("k")
        << QByteArray("9") << QByteArray("[S]\r\nk=9\r\nK=2\r\n");
    QTest::newRow("keyless section: key right after the header")
        << QByteArray("[Main]\r\n; note\r\n[B]\r\nb=1\r\n") << QByteArray("write") << QByteArray("Main")
        << QByteArray("K") << QByteArray("v") << QByteArray("[Main]\r\nK=v\r\n; note\r\n[B]\r\nb=1\r\n");
    QTest::newRow("LF file keeps LF")
        << QByteArray("[Main]\na=1\n\n[B]\nb=2\n") << QByteArray("write") << QByteArray("Main")
        << QByteArray("c") << QByteArray("3") << QByteArray("[Main]\na=1\nc=3\n\n[B]\nb=2\n");
    QTest::newRow("no final line end, new key")
        << QByteArray("[Main]\r\na=1") << QByteArray("write") << QByteArray("Main") << QByteArray("b")
        << QByteArray("2") << QByteArray("[Main]\r\na=1\r\nb=2\r\n");
    QTest::newRow("no final line end, new section")
        << QByteArray("[Main]\r\na=1") << QByteArray("write") << QByteArray("X") << QByteArray("y")
        << QByteArray("1") << QByteArray("[Main]\r\na=1\r\n[X]\r\ny=1\r\n");
    QTest::newRow("no file yet") << QByteArray() << QByteArray("write") << QByteArray("Main")
                                 << QByteArray("ECount") << QByteArray("0")
                                 << QByteArray("[Main]\r\nECount=0\r\n");
    QTest::newRow("a line break cannot forge a section")
        << QByteArray("[1]\r\nName=a\r\n") << QByteArray("write") << QByteArray("1") << QByteArray("Name")
        << QByteArray("x\r\n[Filter 0]\nIfCondition=0")
        << QByteArray("[1]\r\nName=x  [Filter 0] IfCondition=0\r\n");
    QTest::newRow("byte order mark kept")
        << QByteArray("\xEF\xBB\xBF[S]\r\nk=1\r\n") << QByteArray("write") << QByteArray("S")
        << QByteArray("k") << QByteArray("2") << QByteArray("\xEF\xBB\xBF[S]\r\nk=2\r\n");
}

void tst_TIniFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, op);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);

    if (!before.isNull())
        putFile(path(), before);
    TIniFile ini(path());
    if (op == "write") {
        ini.writeString(section, key, value);
        QVERIFY(ini.sectionExists(section));
    } else {
        ini.eraseSection(section);
        QVERIFY(!ini.sectionExists(section));
    }
    QCOMPARE(fileBytes(path()), after);
}

void tst_TIniFile::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("key"); // in section "S"
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("present"); // sectionExists("s")

    const QByteArray def = "DEF";
    QTest::newRow("blanks dropped") << QByteArray("[S]\r\n  k \t=  v  v \t\r\n") << QByteArray("k")
                                    << QByteArray("v  v") << true;
    QTest::newRow("one pair of quotes dropped")
        << QByteArray("[S]\r\nk= \"a b \" \r\n") << QByteArray("k") << QByteArray("a b ") << true;
    QTest::newRow("only one pair") << QByteArray("[S]\r\nk=\"\"x\"\"\r\n") << QByteArray("k")
                                   << QByteArray("\"x\"") << true;
    QTest::newRow("unmatched quote kept")
        << QByteArray("[S]\r\nk=\"x\r\n") << QByteArray("k") << QByteArray("\"x") << true;
    QTest::newRow("a lone quote kept")
        << QByteArray("[S]\r\nk=\"\r\n") << QByteArray("k") << QByteArray("\"") << true;
    QTest::newRow("names without case")
        << QByteArray("[ s ]\r\nKeY=v\r\n") << QByteArray("kEy") << QByteArray("v") << true;
    QTest::newRow("equals sign in the value")
        << QByteArray("[S]\nk=a=b\n") << QByteArray("k") << QByteArray("a=b") << true;
    QTest::newRow("empty value is not the default")
        << QByteArray("[S]\r\nk=\r\n") << QByteArray("k") << QByteArray("") << true;
    QTest::newRow("missing key") << QByteArray("[S]\r\nj=1\r\n") << QByteArray("k") << def << true;
    QTest::newRow("2047 characters kept") << "[S]\r\nk=" + QByteArray(2047, 'a') + "\r\n"
                                          << QByteArray("k") << QByteArray(2047, 'a') << true;
    QTest::newRow("longer cut to 2047") << "[S]\r\nk=" + QByteArray(3000, 'a') + "\r\n"
                                        << QByteArray("k") << QByteArray(2047, 'a') << true;
    QTest::newRow("limit after the quotes") << "[S]\r\nk=\"" + QByteArray(2047, 'b') + "\"\r\n"
                                            << QByteArray("k") << QByteArray(2047, 'b') << true;
    QTest::newRow("limit never splits a character")
        << "[S]\r\nk=" + QByteArray(2046, 'a') + "\xC3\xA4" + "\r\n"
        << QByteArray("k") << QByteArray(2046, 'a') << true;
    QTest::newRow("a section without keys is absent")
        << QByteArray("[S]\r\n; k=1\r\nno key here\r\n\r\n[T]\r\nk=2\r\n") << QByteArray("k") << def << false;
    QTest::newRow("keys before the first section are in none")
        << QByteArray("k=1\r\n[S]\r\n") << QByteArray("k") << def << false;
    QTest::newRow("first of duplicate sections")
        << QByteArray("[S]\r\nk=1\r\n[s]\r\nk=2\r\nj=3\r\n") << QByteArray("k") << QByteArray("1") << true;
    QTest::newRow("no file") << QByteArray() << QByteArray("k") << def << false;
}

void tst_TIniFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);
    QFETCH(bool, present);

    if (!content.isNull())
        putFile(path(), content);
    const TIniFile ini(path());
    QCOMPARE(ini.fileExists(), !content.isNull());
    QCOMPARE(ini.readString("S", key, "DEF"), expected);
    QCOMPARE(ini.sectionExists("s"), present);
}

// A hand-written file is read, one value written, and the file compared byte for byte; what
// was written reads back exactly.
void tst_TIniFile::roundTrip_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("read"); // "k" of section "S"
    QTest::addColumn<QByteArray>("key");  // written to section "S"
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray plain = "[S]\r\nk=v\r\n";
    QTest::newRow("code page bytes stay")
        << QByteArray("[S]\r\nk=M\xFCller\r\n") << QByteArray("M\xFCller") << QByteArray("j")
        << QByteArray("j\xF6rg") << QByteArray("[S]\r\nk=M\xFCller\r\nj=j\xF6rg\r\n");
    QTest::newRow("single quotes like double")
        << QByteArray("[S]\r\nk='2'\r\n") << QByteArray("2") << QByteArray("k") << QByteArray("2")
        << QByteArray("[S]\r\nk=2\r\n");
    QTest::newRow("quotes of two kinds stay")
        << QByteArray("[S]\r\nk='2\"\r\n") << QByteArray("'2\"") << QByteArray("j") << QByteArray("'x")
        << QByteArray("[S]\r\nk='2\"\r\nj='x\r\n");
    QTest::newRow("UTF-16 LE read and kept")
        << utf16("[S]\r\nk=M\xC3\xBCller\r\n", true) << QByteArray("M\xC3\xBCller") << QByteArray("j")
        << QByteArray("j\xC3\xB6rg") << utf16("[S]\r\nk=M\xC3\xBCller\r\nj=j\xC3\xB6rg\r\n", true);
    QTest::newRow("UTF-16 BE read and kept")
        << utf16("[S]\nk=\xE2\x82\xAC\n[T]\nx=1\n", false) << QByteArray("\xE2\x82\xAC") << QByteArray("k")
        << QByteArray("\xF0\x9F\x93\xAB") << utf16("[S]\nk=\xF0\x9F\x93\xAB\n[T]\nx=1\n", false);
    QTest::newRow("bare CR ends the last line")
        << QByteArray("[S]\r\nk=127.0.0.1:1\r") << QByteArray("127.0.0.1:1") << QByteArray("Password")
        << QByteArray() << QByteArray("[S]\r\nk=127.0.0.1:1\rPassword=\r\n");
    QTest::newRow("bare CR file") << QByteArray("[S]\rk=1\rj=2\r") << QByteArray("1") << QByteArray("n")
                                  << QByteArray("3") << QByteArray("[S]\rk=1\rj=2\rn=3\r");
    QTest::newRow("blanks only are quoted") << plain << QByteArray("v") << QByteArray("Argument")
                                            << QByteArray("   ") << plain + "Argument=\"   \"\r\n";
    QTest::newRow("leading blank quoted") << plain << QByteArray("v") << QByteArray("k")
                                          << QByteArray(" Hello") << QByteArray("[S]\r\nk=\" Hello\"\r\n");
    QTest::newRow("trailing tab quoted") << plain << QByteArray("v") << QByteArray("k") << QByteArray("a\t")
                                         << QByteArray("[S]\r\nk=\"a\t\"\r\n");
    QTest::newRow("double quotes at both ends quoted")
        << plain << QByteArray("v") << QByteArray("k") << QByteArray("\"x\"")
        << QByteArray("[S]\r\nk=\"\"x\"\"\r\n");
    QTest::newRow("single quotes at both ends quoted")
        << plain << QByteArray("v") << QByteArray("k") << QByteArray("''")
        << QByteArray("[S]\r\nk=\"''\"\r\n");
    QTest::newRow("quotes at one end as they are")
        << plain << QByteArray("v") << QByteArray("k") << QByteArray("'a b\"")
        << QByteArray("[S]\r\nk='a b\"\r\n");
    QTest::newRow("a lone quote as it is")
        << plain << QByteArray("v") << QByteArray("k") << QByteArray("\"") << QByteArray("[S]\r\nk=\"\r\n");
    QTest::newRow("a quoted value read and written back")
        << QByteArray("[S]\r\nk=\" a \"\r\n") << QByteArray(" a ") << QByteArray("k") << QByteArray(" a ")
        << QByteArray("[S]\r\nk=\" a \"\r\n");
}

void tst_TIniFile::roundTrip()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);

    putFile(path(), before);
    TIniFile ini(path());
    QCOMPARE(ini.readString("S", "k", "DEF"), read);
    ini.writeString("S", key, value);
    QCOMPARE(fileBytes(path()), after);
    const TIniFile again(path());
    QCOMPARE(again.readString("S", key, "DEF"), value);
    if (key != "k")
        QCOMPARE(again.readString("S", "k", "DEF"), read);
}

void tst_TIniFile::integer_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint32>("integer"); // default 77
    QTest::addColumn<bool>("boolean");   // default true

    QTest::newRow("decimal") << QByteArray("500000") << 500000 << true;
    QTest::newRow("zero is false") << QByteArray("0") << 0 << false;
    QTest::newRow("signs") << QByteArray("-12") << -12 << true;
    QTest::newRow("plus sign") << QByteArray("+7") << 7 << true;
    QTest::newRow("0x hex") << QByteArray("0x1E") << 30 << true;
    QTest::newRow("0X hex, mixed case") << QByteArray("0X1e") << 30 << true;
    QTest::newRow("$ hex") << QByteArray("$1E") << 30 << true;
    QTest::newRow("hex zero is false") << QByteArray("$0") << 0 << false;
    QTest::newRow("hex with bit 31") << QByteArray("$80000004") << qint32(-2147483644) << true;
    QTest::newRow("blanks around") << QByteArray("  42 ") << 42 << true;
    QTest::newRow("int32 minimum") << QByteArray("-2147483648") << qint32(-2147483647 - 1) << true;
    QTest::newRow("int32 maximum") << QByteArray("2147483647") << 2147483647 << true;
    QTest::newRow("overflow") << QByteArray("2147483648") << 77 << true;
    QTest::newRow("below minimum") << QByteArray("-2147483649") << 77 << true;
    QTest::newRow("hex too long") << QByteArray("$100000000") << 77 << true;
    QTest::newRow("not a number") << QByteArray("abc") << 77 << true;
    QTest::newRow("0x alone") << QByteArray("0x") << 77 << true;
    QTest::newRow("$ alone") << QByteArray("$") << 77 << true;
    QTest::newRow("sign alone") << QByteArray("-") << 77 << true;
    QTest::newRow("signed hex") << QByteArray("-$1E") << 77 << true;
    QTest::newRow("bad hex digit") << QByteArray("0x1G") << 77 << true;
    QTest::newRow("trailing text") << QByteArray("12abc") << 77 << true;
    QTest::newRow("decimal point") << QByteArray("1.5") << 77 << true;
    QTest::newRow("empty") << QByteArray("") << 77 << true;
    QTest::newRow("blank inside") << QByteArray("1 2") << 77 << true;
}

void tst_TIniFile::integer()
{
    QFETCH(QByteArray, text);
    QFETCH(qint32, integer);
    QFETCH(bool, boolean);

    putFile(path(), "[S]\r\nk=" + text + "\r\n");
    const TIniFile ini(path());
    QCOMPARE(ini.readInteger("S", "k", 77), integer);
    QCOMPARE(ini.readBool("S", "k", true), boolean);
    QCOMPARE(ini.readInteger("S", "missing", 77), 77);
}

void tst_TIniFile::writesSignedDecimal()
{
    TIniFile ini(path());
    ini.writeInteger("BlueColorSet", "Back", -2147483644);
    ini.writeInteger("Main", "Jumpback", 15);
    ini.writeBool("Main", "Round", true);
    ini.writeBool("Main", "Floating", false);
    QCOMPARE(fileBytes(path()), QByteArray("[BlueColorSet]\r\nBack=-2147483644\r\n"
                                           "[Main]\r\nJumpback=15\r\nRound=1\r\nFloating=0\r\n"));
    QCOMPARE(TIniFile(path()).readInteger("BlueColorSet", "Back", 0), -2147483644);
}

void tst_TIniFile::scramble_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("abc") << QByteArray("abc") << QByteArray("bdf");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("wraps past 255") << QByteArray("\xFF\xFE") << QByteArray("\x00\x00", 2);
    QByteArray plain(257, 'a');
    QByteArray stored = plain;
    stored[254] = char('a' + 255);
    stored[255] = 'a'; // position 256 adds 256 mod 256
    stored[256] = 'b';
    for (qsizetype i = 0; i < 254; ++i)
        stored[i] = char(uchar('a') + uchar(i + 1));
    QTest::newRow("position modulo 256") << plain << stored;
}

void tst_TIniFile::scramble()
{
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, stored);
    QCOMPARE(TIniFile::scramblePassword(plain), stored);
    QCOMPARE(TIniFile::unscramblePassword(stored), plain);
}

void tst_TIniFile::storedPassword_data()
{
    // Rows name the scrambled bytes; the password is what scrambles to them.
    QTest::addColumn<QByteArray>("scrambled");
    QTest::addColumn<bool>("escaped");

    QTest::newRow("ordinary") << QByteArray("bdf") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("blank inside") << QByteArray("a b") << false;
    QTest::newRow("percent in an ordinary value") << QByteArray("a%41b") << false;
    QTest::newRow("quote at the start only") << QByteArray("\"abc") << false;
    QTest::newRow("quote at the end only") << QByteArray("abc\"") << false;
    QTest::newRow("single quotes at both ends") << QByteArray("'abc'") << false;
    QTest::newRow("a lone quote") << QByteArray("\"") << false;
    QTest::newRow("high bytes") << QByteArray("\xFF\x80\xC3") << false;
    QTest::newRow("CR") << QByteArray("ab\rcd") << true;
    QTest::newRow("LF") << QByteArray("\n") << true;
    QTest::newRow("CR LF at the end") << QByteArray("xy\r\n") << true;
    QTest::newRow("NUL") << QByteArray("a\0b", 3) << true;
    QTest::newRow("blank at the start") << QByteArray(" abc") << true;
    QTest::newRow("blank at the end") << QByteArray("abc ") << true;
    QTest::newRow("tab at the end") << QByteArray("abc\t") << true;
    QTest::newRow("quotes at both ends") << QByteArray("\"abc\"") << true;
    QTest::newRow("two quotes only") << QByteArray("\"\"") << true;
    QTest::newRow("percent and quotes") << QByteArray("\"%41%\"") << true;
    QTest::newRow("escape text and a line break") << QByteArray("%0D\r") << true;
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    QTest::newRow("every byte") << every << true;
}

void tst_TIniFile::storedPassword()
{
    QFETCH(QByteArray, scrambled);
    QFETCH(bool, escaped);
    const QByteArray plain = TIniFile::unscramblePassword(scrambled);
    QCOMPARE(TIniFile::scramblePassword(plain), scrambled);

    const QByteArray encoded = TIniFile::encodeStoredPassword(plain);
    QCOMPARE(encoded == scrambled, !escaped); // what the file carried before stays byte for byte
    TIniFile ini(path());
    ini.writeStoredPassword("1", "Password", plain);
    ini.writeString("1", "SavePwd", "1");
    QVERIFY(fileBytes(path()).startsWith("[1]\r\nPassword=" + encoded + "\r\n")); // as files always held it
    const TIniFile reader(path());
    QCOMPARE(reader.readString("1", "SavePwd", {}), QByteArray("1")); // nothing leaked into other lines
    QCOMPARE(reader.readStoredPassword("1", "Password"), plain);
}

void tst_TIniFile::ownerOnlyMode()
{
    TIniFile ini(path());
    ini.writeString("Main", "ECount", "0");
    QCOMPARE(QFileInfo(path()).permissions() & AllModeBits, OwnerOnly);

    QVERIFY(QFile::setPermissions(path(), OwnerOnly | QFile::ReadGroup | QFile::ReadOther));
    ini.writeString("1", "Password", "bdf");
    QCOMPARE(QFileInfo(path()).permissions() & AllModeBits, OwnerOnly);
}

void tst_TIniFile::writeFailure_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only directory") << QStringLiteral("readonly");
    QTest::newRow("missing directory") << QStringLiteral("missing");
    QTest::newRow("temporary file impossible") << QStringLiteral("unsavable");
}

void tst_TIniFile::writeFailure()
{
    QFETCH(QString, kind);
    QString file = m_dir->filePath(QStringLiteral("gone/vorlo.ini"));
    const QByteArray old = "[Main]\r\nECount=1\r\n";
    if (kind == QLatin1String("readonly")) {
        const QString dir = m_dir->filePath(QStringLiteral("ro"));
        QVERIFY(QDir().mkdir(dir));
        file = dir + QStringLiteral("/vorlo.ini");
        putFile(file, old);
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(dir + QStringLiteral("/probe"));
        if (probe.open(QIODevice::WriteOnly)) {
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("this user writes into read-only directories");
        }
    } else if (kind == QLatin1String("unsavable")) {
        file = unsavablePath();
        putFile(file, old);
    }

    TIniFile ini(file);
    QString message;
    try {
        ini.writeInteger("Main", "ECount", 2);
    } catch (const EGeneralError &e) {
        message = e.message();
    }
    QCOMPARE(message, QStringLiteral("Unable to write to ") + QFileInfo(file).absoluteFilePath());
    QCOMPARE(ini.readInteger("Main", "ECount", 0), kind == QLatin1String("missing") ? 0 : 1);
    if (kind != QLatin1String("missing"))
        QCOMPARE(fileBytes(file), old);
    if (kind == QLatin1String("readonly"))
        QFile::setPermissions(QFileInfo(file).path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void tst_TIniFile::batchReplacesFileOnce()
{
    putFile(path(), Fixture);
    TIniFile ini(path());
    {
        TIniFile::Batch batch(ini);
        for (int n = 1; n <= 1000; ++n) {
            const QByteArray section = QByteArray::number(n);
            ini.writeString(section, "Name", "#" + section);
            ini.writeInteger(section, "Timer", 500000);
            ini.writeBool(section, "Active", n % 2);
        }
        ini.writeInteger("Main", "ECount", 1000);
        ini.eraseSection("Unknown");
        QCOMPARE(ini.readInteger("main", "ECount", 0), 1000); // reads see the gathered writes
        QCOMPARE(fileBytes(path()), Fixture);                 // the file does not, yet
    }
    const TIniFile reader(path());
    QCOMPARE(reader.readInteger("Main", "ECount", 0), 1000);
    QCOMPARE(reader.readString("Main", "Hand", {}), QByteArray("made"));
    QCOMPARE(reader.readString("1000", "Name", {}), QByteArray("#1000"));
    QCOMPARE(reader.readBool("999", "Active", false), true);
    QVERIFY(!reader.sectionExists("Unknown"));
    // Existing keys replaced in place, new ones after them, the erased section gone.
    QVERIFY(fileBytes(path()).startsWith("; vorlo settings\r\n[Main]\r\nECount=1000\r\nHand=made\r\n\r\n"
                                         "; accounts follow\r\n[1]\r\nName=#1\r\nTimer=500000\r\nActive=1\r\n"
                                         "[2]\r\nName=#2\r\n"));
}

void tst_TIniFile::batchLeftByExceptionKeepsOldFile()
{
    putFile(path(), Fixture);
    TIniFile ini(path());
    try {
        TIniFile::Batch batch(ini);
        ini.writeInteger("Main", "ECount", 5);
        ini.eraseSection("1");
        throw std::runtime_error("save interrupted");
    } catch (const std::runtime_error &) {
    }
    QCOMPARE(fileBytes(path()), Fixture);
    QCOMPARE(ini.readInteger("Main", "ECount", 0), 2);
    QVERIFY(ini.sectionExists("1"));
}

void tst_TIniFile::batchFlushFailureKeepsOldFile()
{
    const QString file = unsavablePath();
    putFile(file, Fixture);
    TIniFile ini(file);
    QString message;
    try {
        TIniFile::Batch batch(ini);
        ini.writeInteger("Main", "ECount", 5);
        ini.writeString("2", "Name", "Work");
    } catch (const EGeneralError &e) {
        message = e.message();
    }
    QCOMPARE(message, QStringLiteral("Unable to write to ") + QFileInfo(file).absoluteFilePath());
    QCOMPARE(fileBytes(file), Fixture);
    QCOMPARE(ini.readInteger("Main", "ECount", 0), 2);
    QVERIFY(!ini.sectionExists("2"));
}

void tst_TIniFile::writesKeepOtherCopiesKeys()
{
    TIniFile first(path());
    TIniFile second(path());
    first.writeString("EMailList", "Width", "425");
    second.writeString("EMailList", "Height", "167"); // re-reads: the first copy's key survives
    QCOMPARE(fileBytes(path()), QByteArray("[EMailList]\r\nWidth=425\r\nHeight=167\r\n"));

    QCOMPARE(first.readString("EMailList", "Height", "none"), QByteArray("none"));
    first.reload();
    QCOMPARE(first.readString("EMailList", "Height", "none"), QByteArray("167"));

    first.writeString("Main", "ECount", "3");
    {
        TIniFile::Batch batch(second); // starts from the file as it is now
        QCOMPARE(second.readString("Main", "ECount", {}), QByteArray("3"));
        second.writeString("Main", "FilterCount", "0");
    }
    const TIniFile reader(path());
    QCOMPARE(reader.readString("Main", "ECount", {}), QByteArray("3"));
    QCOMPARE(reader.readString("EMailList", "Width", {}), QByteArray("425"));
    QCOMPARE(reader.readString("Main", "FilterCount", {}), QByteArray("0"));
}

QTEST_GUILESS_MAIN(tst_TIniFile)
#include "tst_TIniFile.moc"
