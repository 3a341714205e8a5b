#include "net/Pop3Parse.h"

#include "net/TPowersock.h"

namespace Pop3Parse {

namespace {

// A view, not a copy: replies are read by the thousand.
QByteArrayView field(const QByteArray &line, qint32 n)
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

} // namespace

bool accepted(const QByteArray &reply)
{
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

void chopLineEnd(QByteArray &line)
{
    line.chop(line.endsWith("\r\n") ? 2 : line.endsWith('\n') ? 1 : 0);
}

QByteArray withoutLineEnd(const QByteArray &line)
{
    if (line.endsWith("\r\n"))
        return line.chopped(2);
    if (line.endsWith('\n'))
        return line.chopped(1);
    return line;
}

qint32 statCount(const QByteArray &reply)
{
    return numberOr(field(reply, 2), 0);
}

Listed sizeLine(const QByteArray &line)
{
    const qint32 message = number(field(line, 1));
    return {message, number(field(line, 2))};
}

Listed sizeLineOrZero(const QByteArray &line)
{
    return {numberOr(field(line, 1), 0), numberOr(field(line, 2), 0)};
}

qint32 sizeReply(const QByteArray &reply)
{
    return number(field(reply, 3).trimmed());
}

ListedId idLine(const QByteArray &line)
{
    return {numberOr(field(line, 1), -1), field(line, 2).toByteArray()};
}

std::optional<QByteArray> uniqueIdReply(const QByteArray &reply)
{
    if (!positive(reply))
        return std::nullopt;
    return field(reply, 3).toByteArray();
}

void takeHeaderField(TSummary &summary, const QByteArray &raw)
{
    if (raw.startsWith("Subject:"))
        summary.Subject = withoutLineEnd(raw).mid(8);
    else if (raw.startsWith("From:"))
        summary.From = withoutLineEnd(raw).mid(5);
    else if (raw.startsWith("Message-ID:"))
        // A bounded id: it is stored with every summary and compared on each check.
        summary.MessageId = raw.mid(12, 256);
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
