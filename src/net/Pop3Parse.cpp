#include "net/Pop3Parse.h"

#include "net/TPowersock.h"

#include <cstring>
#include <utility>

namespace Pop3Parse {

namespace {

// A view, not a copy: replies are read by the thousand.
QByteArrayView field(QByteArrayView line, qint32 n)
{
    return TPowersock::NthFieldView(line, ' ', n);
}

qint32 numberOr(QByteArrayView text, qint32 fallback)
{
    qint32 value = 0;
    return TPowersock::readInt(text, &value) ? value : fallback;
}

// As TPowersock::StrToInt: raises where the text is no number.
qint32 number(QByteArrayView text)
{
    qint32 value = 0;
    return TPowersock::readInt(text, &value) ? value : TPowersock::StrToInt(text.toByteArray());
}

// Fields 1 and 2 as field() gives them, found in one pass with memchr: listing lines come by
// the thousand, and the general field reader costs five times as much per line.
std::pair<QByteArrayView, QByteArrayView> firstTwoFields(QByteArrayView line)
{
    if (line.isEmpty())
        return {};
    const char *const at = line.data();
    const void *blank = std::memchr(at, ' ', size_t(line.size()));
    if (!blank)
        return {line, QByteArrayView()};
    const qsizetype start = static_cast<const char *>(blank) - at + 1;
    const void *next = std::memchr(at + start, ' ', size_t(line.size() - start));
    const qsizetype end = next ? static_cast<const char *>(next) - at : line.size();
    return {line.first(start - 1), line.sliced(start, end - start)};
}

// Whether the line begins with `name` (a literal, its NUL not counted): one memcmp the compiler
// sees the length of, where startsWith is a library call for each of a header's name lines.
template <std::size_t N>
bool beginsWith(QByteArrayView line, const char (&name)[N])
{
    return line.size() >= qsizetype(N - 1) && std::memcmp(line.data(), name, N - 1) == 0;
}

} // namespace

bool accepted(const QByteArray &reply)
{
    // Nearly every reply begins so, and then its first field does; only the others are searched.
    if (beginsWith(reply, "+OK"))
        return true;
    return field(reply, 1).contains("+OK");
}

bool positive(const QByteArray &reply)
{
    return field(reply, 1) == "+OK";
}

bool negative(const QByteArray &reply)
{
    return field(reply, 1) == "-ERR";
}

void keepElsewhere(QByteArray &to, QByteArrayView text)
{
    to = text.toByteArray();
}

QByteArray withoutLineEnd(const QByteArray &line)
{
    const qsizetype end = lineEndLength(line);
    return end ? line.chopped(end) : line;
}

qint32 statCount(const QByteArray &reply)
{
    return numberOr(field(reply, 2), 0);
}

Listed sizeLine(QByteArrayView line)
{
    const auto [first, second] = firstTwoFields(line);
    const qint32 message = number(first);
    return {message, number(second)};
}

Listed sizeLineOrZero(QByteArrayView line)
{
    const auto [first, second] = firstTwoFields(line);
    return {numberOr(first, 0), numberOr(second, 0)};
}

qint32 sizeReply(const QByteArray &reply)
{
    return number(field(reply, 3).trimmed());
}

ListedId idLine(QByteArrayView line)
{
    const ListedIdView listed = idLineView(line);
    return {listed.number, listed.id.toByteArray()};
}

ListedIdView idLineView(QByteArrayView line)
{
    const auto [first, second] = firstTwoFields(line);
    return {numberOr(first, -1), second};
}

std::optional<QByteArray> uniqueIdReply(const QByteArray &reply)
{
    if (!positive(reply))
        return std::nullopt;
    return field(reply, 3).toByteArray();
}

void takeHeaderField(TSummary &summary, QByteArrayView raw)
{
    // One copy of the value only, without its name and line end. The first byte rules out
    // most lines of a header at once.
    switch (raw.isEmpty() ? '\0' : raw.front()) {
    case 'S':
        if (beginsWith(raw, "Subject:"))
            keep(summary.Subject, withoutLineEnd(raw).sliced(8));
        break;
    case 'F':
        if (beginsWith(raw, "From:"))
            keep(summary.From, withoutLineEnd(raw).sliced(5));
        break;
    case 'M':
        // A bounded id: it is stored with every summary and compared on each check.
        if (beginsWith(raw, "Message-ID:"))
            keep(summary.MessageId, raw.size() > 12 ? raw.sliced(12, qMin<qsizetype>(256, raw.size() - 12))
                                                    : QByteArrayView());
        break;
    default:
        break;
    }
}

QByteArray capabilityName(const QByteArray &line)
{
    return field(line, 1).trimmed().toByteArray();
}

QByteArray greetingTimestamp(const QByteArray &greeting)
{
    const qsizetype open = greeting.indexOf('<');
    if (open < 0)
        return {};
    const qsizetype close = greeting.indexOf('>', open + 1);
    if (close < 0)
        return {};
    const QByteArray stamp = greeting.mid(open, close - open + 1);
    bool at = false;
    for (qsizetype i = 1; i + 1 < stamp.size(); ++i) {
        const auto c = static_cast<unsigned char>(stamp.at(i));
        if (c <= ' ' || c == 0x7F || c == '<')
            return {};
        at = at || c == '@';
    }
    return at ? stamp : QByteArray();
}

} // namespace Pop3Parse
