#include "mail/TEncodedWords.h"

#include "platform/TextBytes.h"

#include <QList>
#include <QStringDecoder>
#include <optional>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isBlankOnly(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (!isBlank(c))
            return false;
    return true;
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

std::optional<QByteArray> decodeQ(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            out += ' ';
        } else if (c == '=') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int hi = hexValue(text[i + 1]);
            const int lo = hexValue(text[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out += char(hi * 16 + lo);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<QByteArray> decodeB(QByteArrayView text)
{
    auto result = QByteArray::fromBase64Encoding(text.toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    if (result.decodingStatus != QByteArray::Base64DecodingStatus::Ok)
        return std::nullopt;
    return result.decoded;
}

// One stretch of the header: plain text, or an encoded word whose octets could be recovered
// and whose charset Qt knows.
struct Piece
{
    bool word = false;
    QByteArray original; // as written
    QByteArray charset;  // words only: lower case, any "*language" suffix removed
    QByteArray octets;   // words only
};

// The encoded word at `pos` (which holds "=?"): its length, or 0 when the text there is none.
qsizetype parseWord(QByteArrayView s, qsizetype pos, QByteArray *charset, char *encoding, QByteArrayView *text)
{
    qsizetype i = pos + 2;
    const qsizetype charsetStart = i;
    while (i < s.size() && s[i] != '?' && quint8(s[i]) > ' ')
        ++i;
    if (i >= s.size() || s[i] != '?' || i == charsetStart)
        return 0;
    *charset = s.sliced(charsetStart, i - charsetStart).toByteArray();
    ++i;
    if (i + 1 >= s.size() || s[i + 1] != '?')
        return 0;
    *encoding = s[i];
    i += 2;
    const qsizetype textStart = i;
    while (i < s.size() && s[i] != '?' && quint8(s[i]) > ' ')
        ++i;
    if (i + 1 >= s.size() || s[i] != '?' || s[i + 1] != '=')
        return 0;
    *text = s.sliced(textStart, i - textStart);
    return i + 2 - pos;
}

std::optional<Piece> wordPiece(QByteArrayView original, QByteArray charset, char encoding, QByteArrayView text)
{
    const qsizetype star = charset.indexOf('*'); // RFC 2231 language tag
    if (star >= 0)
        charset.truncate(star);
    charset = charset.toLower();
    if (charset.isEmpty() || !QStringDecoder(charset.constData()).isValid())
        return std::nullopt;
    std::optional<QByteArray> octets;
    if (encoding == 'B' || encoding == 'b')
        octets = decodeB(text);
    else if (encoding == 'Q' || encoding == 'q')
        octets = decodeQ(text);
    if (!octets)
        return std::nullopt;
    return Piece{true, original.toByteArray(), charset, *octets};
}

QList<Piece> split(QByteArrayView s)
{
    QList<Piece> pieces;
    QByteArray plain;
    auto flushPlain = [&] {
        if (!plain.isEmpty())
            pieces.append(Piece{false, plain, {}, {}});
        plain.clear();
    };
    qsizetype i = 0;
    while (i < s.size()) {
        if (s[i] == '=' && i + 1 < s.size() && s[i + 1] == '?') {
            QByteArray charset;
            char encoding = 0;
            QByteArrayView text;
            const qsizetype length = parseWord(s, i, &charset, &encoding, &text);
            if (length > 0) {
                const QByteArrayView original = s.sliced(i, length);
                if (std::optional<Piece> word = wordPiece(original, charset, encoding, text)) {
                    flushPlain();
                    pieces.append(*word);
                } else {
                    plain += original;
                }
                i += length;
                continue;
            }
            plain += "=?";
            i += 2;
            continue;
        }
        plain += s[i];
        ++i;
    }
    flushPlain();
    return pieces;
}

// What the user sees of one stretch; `decoded` marks text that came out of encoded words.
struct Shown
{
    QString text;
    bool decoded = false;
    bool blankOnly = false;
};

} // namespace

QString TEncodedWords::bytesToText(QByteArrayView bytes)
{
    return TextBytes::toText(bytes);
}

QString TEncodedWords::decode(QByteArrayView header)
{
    // Folded lines (CR LF followed by a blank) keep only the blank; a cell shows one line.
    QByteArray unfolded;
    unfolded.reserve(header.size());
    for (char c : header)
        if (c != '\r' && c != '\n')
            unfolded += c;
    if (!unfolded.contains("=?"))
        return bytesToText(unfolded);

    const QList<Piece> pieces = split(unfolded);
    QList<Shown> shown;
    for (qsizetype i = 0; i < pieces.size();) {
        const Piece &first = pieces.at(i);
        if (!first.word) {
            shown.append(Shown{bytesToText(first.original), false, isBlankOnly(first.original)});
            ++i;
            continue;
        }
        // Adjacent words of one charset are decoded together: a character may be split
        // between them.
        QByteArray octets = first.octets;
        QByteArray original = first.original;
        qsizetype next = i + 1;
        while (true) {
            qsizetype k = next;
            QByteArray gap;
            if (k < pieces.size() && !pieces.at(k).word && isBlankOnly(pieces.at(k).original))
                gap = pieces.at(k++).original;
            if (k >= pieces.size() || !pieces.at(k).word || pieces.at(k).charset != first.charset)
                break;
            octets += pieces.at(k).octets;
            original += gap + pieces.at(k).original;
            next = k + 1;
        }
        QStringDecoder decoder(first.charset.constData(), QStringDecoder::Flag::Stateless);
        const QString text = decoder(octets);
        if (decoder.hasError())
            shown.append(Shown{bytesToText(original), false, false});
        else
            shown.append(Shown{text, true, false});
        i = next;
    }

    QString out;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const Shown &s = shown.at(i);
        const bool betweenWords = s.blankOnly && i > 0 && i + 1 < shown.size() && shown.at(i - 1).decoded &&
                                  shown.at(i + 1).decoded;
        if (!betweenWords)
            out += s.text;
    }
    return out;
}
