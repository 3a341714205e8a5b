#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// A private-profile (INI) file with the format properties the program relies on:
// section and key names match without regard to case; a write replaces a value in place,
// appends a new key at the end of its section and a new section at the end of the file;
// unknown keys and sections survive; values are read trimmed, with one pair of enclosing
// quotation marks (either kind) removed, and at most 2047 characters long; a section counts as
// present only while it holds a key. CR LF, LF and a lone CR all end a line. A file that begins
// with a UTF-16 byte-order mark (either order) is read as UTF-16 and written back the same way.
// A value is written quoted when the reader would otherwise change it (blanks at either end,
// quotation marks at both ends), so every value reads back exactly as written.
//
// Every write reaches the disk at once unless a Batch is open; the file is always replaced
// atomically (temporary file in the same directory, then rename) and created readable by its
// owner only. A Batch re-reads the file, gathers all writes and replaces the file once,
// so a whole save costs one write.
class TIniFile
{
public:
    explicit TIniFile(const QString &fileName);
    ~TIniFile();
    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    const QString &fileName() const;
    bool fileExists() const;

    QByteArray readString(const QByteArray &section, const QByteArray &key, const QByteArray &def) const;
    // Decimal with optional sign, or hexadecimal after "0x"/"0X" (more than two characters) or "$";
    // anything else gives `def`.
    qint32 readInteger(const QByteArray &section, const QByteArray &key, qint32 def) const;
    // Read as an integer; non-zero is true; unparsable gives `def`.
    bool readBool(const QByteArray &section, const QByteArray &key, bool def) const;

    // The password stored under `key`, in plain (see encodeStoredPassword); empty when missing.
    QByteArray readStoredPassword(const QByteArray &section, const QByteArray &key) const;

    // Throws EGeneralError("Unable to write to <path>") when the file cannot be written.
    void writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value);
    void writeStoredPassword(const QByteArray &section, const QByteArray &key, const QByteArray &plain);
    void writeInteger(const QByteArray &section, const QByteArray &key, qint32 value);
    void writeBool(const QByteArray &section, const QByteArray &key, bool value);
    void eraseSection(const QByteArray &section);
    bool sectionExists(const QByteArray &section) const;

    // Re-reads the file from disk (writes of other copies of the program become visible).
    void reload();

    // Batches nest; the outermost one writes. A batch left by an exception writes nothing and
    // re-reads the file, so an interrupted save leaves the old file whole.
    class Batch
    {
    public:
        explicit Batch(TIniFile &file);
        ~Batch() noexcept(false); // flushes; throws like a write when the file cannot be written
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        TIniFile &m_file;
        int m_uncaught; // exceptions in flight at the start: more at the end means the scope failed
    };

    // Integer parsing shared with other readers of settings-like values.
    static bool parseInteger(const QByteArray &text, qint32 *out);
    // The keyless password scrambling of the file: byte i (from 1) plus i, modulo 256.
    static QByteArray scramblePassword(const QByteArray &plain);
    static QByteArray unscramblePassword(const QByteArray &stored);
    // The "Password" value as it stands in the file (writeStoredPassword writes it without the
    // quoting of writeString, so files keep the form they always had): the scrambled bytes as they
    // are whenever the file can carry them; otherwise (a line break, NUL, blank at either end, or
    // double quotation marks at both ends) a quoted, percent-escaped form that no scrambled value
    // read back can take.
    static QByteArray encodeStoredPassword(const QByteArray &plain);

private:
    static QByteArray decodeStoredPassword(const QByteArray &stored);
    void store(const QByteArray &section, const QByteArray &key, const QByteArray &value);

    struct Private;
    std::unique_ptr<Private> d;
};
