#include "settings/TIniFile.h"

#include "platform/GeneralError.h"
#include "platform/TextBytes.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <exception>
#include <vector>

namespace {

constexpr qsizetype MaxValueLength = 2047;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QByteArray trimBlanks(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin).toByteArray();
}

// Names and values are single lines; a line break in one would forge lines of its own.
QByteArray oneLine(const QByteArray &text)
{
    QByteArray out = text;
    for (char &c : out)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return out;
}

struct Line
{
    QByteArray text; // without the line end
    QByteArray eol;  // "\r\n", "\n", "\r", or empty for a last line without one
};

struct Section
{
    Line header; // unused for the lines before the first section
    QByteArray lowerName;
    QList<Line> lines;                 // the lines after the header up to the next header
    QHash<QByteArray, qsizetype> keys; // lower-cased key -> index in `lines`, first occurrence
    qsizetype lastKeyLine = -1;
    bool erased = false;
};

// The key of a key line ("name=value"), empty for blank lines, comments and other text.
QByteArray keyOf(const QByteArray &text, qsizetype *equalsPos)
{
    const QByteArray trimmed = trimBlanks(text);
    if (trimmed.isEmpty() || trimmed.startsWith(';'))
        return {};
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return {};
    if (equalsPos)
        *equalsPos = eq;
    return trimBlanks(QByteArrayView(text).first(eq));
}

bool isHeader(const QByteArray &text, QByteArray *name)
{
    const QByteArray trimmed = trimBlanks(text);
    if (!trimmed.startsWith('['))
        return false;
    qsizetype close = trimmed.indexOf(']');
    if (close < 0)
        close = trimmed.size();
    *name = trimBlanks(QByteArrayView(trimmed).sliced(1, close - 1));
    return true;
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

// Quotation marks of one kind, either kind, at both ends.
bool quotedByPair(const QByteArray &value)
{
    return value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
}

QByteArray limited(QByteArray value)
{
    if (value.size() > MaxValueLength) {
        qsizetype cut = MaxValueLength;
        // Do not leave half a UTF-8 character behind.
        if (QByteArrayView(value).isValidUtf8())
            while (cut > 0 && (static_cast<uchar>(value[cut]) & 0xC0) == 0x80)
                --cut;
        value.truncate(cut);
    }
    return value;
}

QByteArray unquoteAndLimit(const QByteArray &raw)
{
    QByteArray value = trimBlanks(raw);
    if (quotedByPair(value))
        value = value.sliced(1, value.size() - 2);
    return limited(value);
}

// The value as the writer puts it: quoted where the reader would otherwise trim its blanks or
// take off its quotation marks, so that it reads back as it was written.
QByteArray quotedForReading(const QByteArray &value)
{
    if (quotedByPair(value) || (!value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()))))
        return '"' + value + '"';
    return value;
}

// Files saved as UTF-16 are held as UTF-8 while loaded and written back as they came.
enum class Encoding { Bytes, Utf16LE, Utf16BE };

QByteArray fromUtf16(QByteArrayView data, Encoding encoding)
{
    QStringDecoder decode(encoding == Encoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                          QStringDecoder::Flag::Stateless);
    return QString(decode(data)).toUtf8();
}

QByteArray toUtf16(const QByteArray &data, Encoding encoding)
{
    // Line by line, so a value in another 8-bit encoding costs only its own line.
    QString text;
    for (const QByteArray &line : data.split('\n'))
        text += TextBytes::toText(line) + u'\n';
    text.chop(1);
    QStringEncoder encode(encoding == Encoding::Utf16LE ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
    return encode(text);
}

// The bytes a stored password carries unchanged: what the password reader gives back is what
// was written.
bool carriable(const QByteArray &value)
{
    for (char c : value)
        if (c == '\r' || c == '\n' || c == '\0')
            return false;
    if (!value.isEmpty() && (isBlank(value.front()) || isBlank(value.back())))
        return false;
    return !(value.size() >= 2 && value.startsWith('"') && value.endsWith('"'));
}

} // namespace

struct TIniFile::Private
{
    QString fileName;
    QByteArray bom;
    Encoding encoding = Encoding::Bytes;
    std::vector<std::unique_ptr<Section>> sections; // [0]: the lines before the first header
    QHash<QByteArray, Section *> index;             // lower-cased name -> first section of that name
    QByteArray newEol = "\r\n";
    bool readFailed = false; // the file exists but could not be read: never overwrite it
    int batchDepth = 0;
    bool batchFailed = false;
    bool dirty = false;

    void clear()
    {
        bom.clear();
        encoding = Encoding::Bytes;
        sections.clear();
        sections.push_back(std::make_unique<Section>());
        index.clear();
        newEol = "\r\n";
        readFailed = false;
        dirty = false;
    }

    void addLine(Section &section, Line line)
    {
        qsizetype eq = -1;
        const QByteArray key = keyOf(line.text, &eq).toLower();
        section.lines.append(std::move(line));
        if (!key.isEmpty()) {
            section.lastKeyLine = section.lines.size() - 1;
            if (!section.keys.contains(key)) // the first of duplicate keys is the one in force
                section.keys.insert(key, section.lastKeyLine);
        }
    }

    void parse(const QByteArray &file)
    {
        clear();
        qsizetype pos = 0;
        if (file.startsWith("\xEF\xBB\xBF")) {
            bom = file.first(3);
            pos = 3;
        } else if (file.startsWith("\xFF\xFE") || file.startsWith("\xFE\xFF")) {
            bom = file.first(2);
            encoding = file.startsWith("\xFF\xFE") ? Encoding::Utf16LE : Encoding::Utf16BE;
        }
        const QByteArray data =
            encoding == Encoding::Bytes ? file : fromUtf16(QByteArrayView(file).sliced(2), encoding);
        bool eolSeen = false;
        Section *current = sections.front().get();
        while (pos < data.size()) {
            // CR LF, LF and a bare CR all end a line.
            qsizetype end = pos;
            while (end < data.size() && data[end] != '\n' && data[end] != '\r')
                ++end;
            Line line;
            line.text = data.sliced(pos, end - pos);
            if (end < data.size())
                line.eol = data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n'
                               ? "\r\n"
                               : data.sliced(end, 1);
            pos = end + line.eol.size();
            if (!eolSeen && !line.eol.isEmpty()) {
                newEol = line.eol; // new lines follow the file's own line ends
                eolSeen = true;
            }
            QByteArray name;
            if (isHeader(line.text, &name)) {
                auto section = std::make_unique<Section>();
                section->header = std::move(line);
                section->lowerName = name.toLower();
                current = section.get();
                if (!index.contains(current->lowerName))
                    index.insert(current->lowerName, current);
                sections.push_back(std::move(section));
            } else {
                addLine(*current, std::move(line));
            }
        }
    }

    void load()
    {
        QFile file(fileName);
        if (!file.exists()) {
            clear();
            return;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            clear();
            readFailed = true;
            return;
        }
        parse(file.readAll());
    }

    QByteArray serialize() const
    {
        QByteArray out;
        const Line *pending = nullptr; // the previous line, whose end is known only now
        auto put = [&](const Line &line) {
            if (pending)
                out += pending->text + (pending->eol.isEmpty() ? newEol : pending->eol);
            pending = &line;
        };
        for (const auto &section : sections) {
            if (section->erased)
                continue;
            if (section.get() != sections.front().get())
                put(section->header);
            for (const Line &line : section->lines)
                put(line);
        }
        if (pending)
            out += pending->text + pending->eol;
        return bom + (encoding == Encoding::Bytes ? out : toUtf16(out, encoding));
    }

    [[noreturn]] void throwWriteError() const
    {
        throw EGeneralError(
            QStringLiteral("Unable to write to %1").arg(QFileInfo(fileName).absoluteFilePath()));
    }

    void save() const
    {
        if (readFailed)
            throwWriteError();
        QSaveFile file(fileName);
        file.setDirectWriteFallback(false);
        if (!file.open(QIODevice::WriteOnly))
            throwWriteError();
        const QByteArray data = serialize();
        // It holds passwords: owner only, also when it replaces a more open file.
        if (file.write(data) != data.size() || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
            !file.commit())
            throwWriteError();
    }

    Section *find(const QByteArray &name) const { return index.value(name.toLower(), nullptr); }

    const Line *findKey(const QByteArray &section, const QByteArray &key, qsizetype *eq) const
    {
        const Section *s = find(section);
        if (!s)
            return nullptr;
        const auto it = s->keys.constFind(key.toLower());
        if (it == s->keys.cend())
            return nullptr;
        const Line &line = s->lines[it.value()];
        keyOf(line.text, eq);
        return &line;
    }

    void write(const QByteArray &sectionName, const QByteArray &keyName, const QByteArray &value)
    {
        const QByteArray sectionText = oneLine(sectionName);
        const QByteArray keyText = oneLine(keyName);
        const QByteArray valueText = oneLine(value);
        Section *section = find(sectionText);
        if (!section) {
            auto fresh = std::make_unique<Section>();
            fresh->header.text = '[' + sectionText + ']';
            fresh->header.eol = newEol;
            fresh->lowerName = sectionText.toLower();
            section = fresh.get();
            index.insert(section->lowerName, section);
            sections.push_back(std::move(fresh));
        }
        const QByteArray lowerKey = trimBlanks(keyText).toLower();
        const auto it = section->keys.constFind(lowerKey);
        if (it != section->keys.cend()) {
            // Keep the line's own spelling of the key and everything up to the equals sign.
            Line &line = section->lines[it.value()];
            line.text = line.text.first(line.text.indexOf('=') + 1) + valueText;
        } else {
            // After the section's last key, so trailing blank lines and comments stay where they are.
            const qsizetype at = section->lastKeyLine + 1;
            section->lines.insert(at, Line{keyText + '=' + valueText, newEol});
            section->lastKeyLine = at;
            section->keys.insert(lowerKey, at);
        }
        dirty = true;
    }

    bool erase(const QByteArray &sectionName)
    {
        const QByteArray lower = oneLine(sectionName).toLower();
        if (!index.remove(lower))
            return false;
        for (auto &section : sections)
            if (section.get() != sections.front().get() && section->lowerName == lower)
                section->erased = true;
        dirty = true;
        return true;
    }
};

TIniFile::TIniFile(const QString &fileName) : d(std::make_unique<Private>())
{
    d->fileName = fileName;
    d->load();
}

TIniFile::~TIniFile() = default;

const QString &TIniFile::fileName() const
{
    return d->fileName;
}

bool TIniFile::fileExists() const
{
    return QFileInfo::exists(d->fileName);
}

QByteArray TIniFile::readString(const QByteArray &section, const QByteArray &key, const QByteArray &def) const
{
    qsizetype eq = -1;
    const Line *line = d->findKey(section, key, &eq);
    if (!line)
        return def;
    return unquoteAndLimit(line->text.sliced(eq + 1));
}

QByteArray TIniFile::readStoredPassword(const QByteArray &section, const QByteArray &key) const
{
    qsizetype eq = -1;
    const Line *line = d->findKey(section, key, &eq);
    if (!line)
        return {};
    // Only double quotes come off: a scrambled value between single quotes was always stored
    // as it is.
    QByteArray value = trimBlanks(QByteArrayView(line->text).sliced(eq + 1));
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        value = value.sliced(1, value.size() - 2);
    return decodeStoredPassword(limited(value));
}

qint32 TIniFile::readInteger(const QByteArray &section, const QByteArray &key, qint32 def) const
{
    qint32 value = 0;
    return parseInteger(readString(section, key, {}), &value) ? value : def;
}

bool TIniFile::readBool(const QByteArray &section, const QByteArray &key, bool def) const
{
    qint32 value = 0;
    return parseInteger(readString(section, key, {}), &value) ? value != 0 : def;
}

void TIniFile::writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    store(section, key, quotedForReading(oneLine(value)));
}

void TIniFile::writeStoredPassword(const QByteArray &section, const QByteArray &key, const QByteArray &plain)
{
    store(section, key, encodeStoredPassword(plain));
}

void TIniFile::store(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    if (d->batchDepth > 0) {
        d->write(section, key, value);
        return;
    }
    // Read-modify-write of the current file, so keys written by other copies survive.
    d->load();
    d->write(section, key, value);
    try {
        d->save();
    } catch (...) {
        d->load();
        throw;
    }
    d->dirty = false;
}

void TIniFile::writeInteger(const QByteArray &section, const QByteArray &key, qint32 value)
{
    writeString(section, key, QByteArray::number(value));
}

void TIniFile::writeBool(const QByteArray &section, const QByteArray &key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

void TIniFile::eraseSection(const QByteArray &section)
{
    if (d->batchDepth > 0) {
        d->erase(section);
        return;
    }
    d->load();
    if (!d->erase(section))
        return;
    try {
        d->save();
    } catch (...) {
        d->load();
        throw;
    }
    d->dirty = false;
}

bool TIniFile::sectionExists(const QByteArray &section) const
{
    const Section *s = d->find(section);
    return s && !s->keys.isEmpty();
}

void TIniFile::reload()
{
    d->load();
}

TIniFile::Batch::Batch(TIniFile &file) : m_file(file), m_uncaught(std::uncaught_exceptions())
{
    Private &p = *m_file.d;
    if (p.batchDepth++ == 0) {
        p.batchFailed = false;
        p.load();
    }
}

TIniFile::Batch::~Batch() noexcept(false)
{
    Private &p = *m_file.d;
    if (std::uncaught_exceptions() > m_uncaught)
        p.batchFailed = true;
    if (--p.batchDepth > 0)
        return;
    if (p.batchFailed) {
        // Left by an exception: the save is incomplete, so the file keeps its old content.
        p.load();
        return;
    }
    if (!p.dirty)
        return;
    try {
        p.save();
    } catch (...) {
        p.load();
        throw;
    }
    p.dirty = false;
}

bool TIniFile::parseInteger(const QByteArray &text, qint32 *out)
{
    quint64 value = 0;
    if ((text.size() > 2 && (text.startsWith("0x") || text.startsWith("0X"))) || text.startsWith('$')) {
        const QByteArrayView digits = QByteArrayView(text).sliced(text.startsWith('$') ? 1 : 2);
        if (digits.isEmpty() || digits.size() > 8)
            return false;
        for (char c : digits) {
            const int v = hexValue(c);
            if (v < 0)
                return false;
            value = value * 16 + static_cast<quint64>(v);
        }
        // Up to eight hex digits give the 32-bit pattern, so "$80000004" names a system colour.
        *out = static_cast<qint32>(static_cast<quint32>(value));
        return true;
    }
    QByteArrayView digits(text);
    bool negative = false;
    if (!digits.isEmpty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits = digits.sliced(1);
    }
    if (digits.isEmpty())
        return false;
    const quint64 limit = negative ? 2147483648ULL : 2147483647ULL;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<quint64>(c - '0');
        if (value > limit)
            return false;
    }
    *out = negative ? static_cast<qint32>(-static_cast<qint64>(value)) : static_cast<qint32>(value);
    return true;
}

QByteArray TIniFile::scramblePassword(const QByteArray &plain)
{
    QByteArray out = plain;
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(static_cast<uchar>(out[i]) + static_cast<uchar>(i + 1));
    return out;
}

QByteArray TIniFile::unscramblePassword(const QByteArray &stored)
{
    QByteArray out = stored;
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(static_cast<uchar>(out[i]) - static_cast<uchar>(i + 1));
    return out;
}

// A carriable scrambled value never reads back with quotation marks at both ends (the reader
// strips such a pair), so a read-back value in that shape can only be the escaped form: written
// as two pairs of quotes around the scrambled bytes with '%', CR, LF and NUL as %XX.
QByteArray TIniFile::encodeStoredPassword(const QByteArray &plain)
{
    const QByteArray scrambled = scramblePassword(plain);
    if (carriable(scrambled))
        return scrambled;
    QByteArray out = "\"\"";
    for (char c : scrambled) {
        if (c == '%' || c == '\r' || c == '\n' || c == '\0') {
            static constexpr char hex[] = "0123456789ABCDEF";
            out += '%';
            out += hex[static_cast<uchar>(c) >> 4];
            out += hex[static_cast<uchar>(c) & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"\"";
}

QByteArray TIniFile::decodeStoredPassword(const QByteArray &stored)
{
    if (stored.size() >= 2 && stored.startsWith('"') && stored.endsWith('"'))
        return unscramblePassword(QByteArray::fromPercentEncoding(stored.sliced(1, stored.size() - 2)));
    return unscramblePassword(stored);
}
