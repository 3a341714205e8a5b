#pragma once

#include "net/TSummary.h"

#include <QByteArray>

#include <cstring>
#include <optional>

// The POP3 client's reading of server lines, on bytes alone: no socket, so each case can be
// tested and fuzzed without a server. Fields are split at single blanks, as the server
// sends them; numbers are strict 32-bit decimals. Lines are as received unless a function
// says otherwise.
namespace Pop3Parse {

// A reply the client goes on with: "+OK" within its first field.
bool accepted(const QByteArray &reply);
// The first field is exactly "+OK" (the unique-id reply is read only then).
bool positive(const QByteArray &reply);
// The first field is exactly "-ERR".
bool negative(const QByteArray &reply);

// The length of the line's terminator: 2 for CR LF, 1 for a bare LF, else 0. Inline, as
// every line of a check passes here.
inline qsizetype lineEndLength(QByteArrayView line)
{
    const qsizetype n = line.size();
    if (n == 0 || line.at(n - 1) != '\n')
        return 0;
    return n > 1 && line.at(n - 2) == '\r' ? 2 : 1;
}

// The line without its terminator (CR LF or a bare LF).
QByteArray withoutLineEnd(const QByteArray &line);
inline QByteArrayView withoutLineEnd(QByteArrayView line)
{
    return line.chopped(lineEndLength(line));
}

// Whether a line (its end included) is the "." that ends a multi-line reply.
inline bool isEndLine(QByteArrayView line)
{
    return (line.size() == 2 || line.size() == 3) && line.front() == '.' && withoutLineEnd(line).size() == 1;
}

// keep's way where the storage cannot be written over: a copy of its own.
void keepElsewhere(QByteArray &to, QByteArrayView text);
// `to` holds `text` afterwards. Storage that is `to`'s alone and not much larger than `text`
// is written over instead of freed and allocated anew: a check fills the same few fields
// for every message of a box.
inline void keep(QByteArray &to, QByteArrayView text)
{
    const qsizetype n = text.size();
    // Written through the storage itself: this runs for several fields of every message, and
    // the general resize costs more than the copy. The storage must be unshared, begin where
    // the array does and hold the bytes; a byte array's storage always has room for the NUL
    // after its capacity, as resize relies on too.
    QByteArray::DataPointer &d = to.data_ptr();
    const qsizetype room = d.d_ptr() ? d.constAllocatedCapacity() : 0;
    if (room >= n && room > 0 && room <= 2 * n + 256 && !d.needsDetach() && d.freeSpaceAtBegin() == 0) {
        char *at = d.data();
        if (n > 0)
            std::memmove(at, text.data(), size_t(n));
        at[n] = '\0';
        d.size = n;
        return;
    }
    keepElsewhere(to, text);
}

// The message count of a "+OK count size" STAT reply; 0 when it is not a number.
qint32 statCount(const QByteArray &reply);

// One line "n value" of a listing.
struct Listed
{
    qint32 number = 0;
    qint32 size = 0;
};
// A size listing line "n size" (without its line end); raises EGeneralError naming the
// field that is not a number.
Listed sizeLine(QByteArrayView line);
// The same with 0 for a field that is not a number.
Listed sizeLineOrZero(QByteArrayView line);
// The size of a "+OK n size" reply to "LIST n"; raises EGeneralError when it is no number.
qint32 sizeReply(const QByteArray &reply);

// One line "n id" of the unique-id listing: the number (-1 when it is none) and the id
// exactly as received, its line end kept, as uniqueIdReply keeps it.
struct ListedId
{
    qint32 number = -1;
    QByteArray id;
};
ListedId idLine(QByteArrayView line);
// The same with the id as a view into `line`.
struct ListedIdView
{
    qint32 number = -1;
    QByteArrayView id;
};
ListedIdView idLineView(QByteArrayView line);
// The id of a "+OK n id" reply to "UIDL n"; none unless the reply is positive.
std::optional<QByteArray> uniqueIdReply(const QByteArray &reply);

// The header fields a summary keeps, from one raw line (line end included) of a TOP reply:
// "Subject:" and "From:" take the rest of the line without its end; "Message-ID:" takes at
// most 256 bytes after its colon and blank, line end included. Names match case-sensitively
// at the start of the line; other lines change nothing.
void takeHeaderField(TSummary &summary, QByteArrayView raw);

// The capability a CAPA line names: its first word, trimmed (case as sent).
QByteArray capabilityName(const QByteArray &line);

// The "<...>" timestamp of a greeting, brackets included; empty when there is none. Only
// a well-formed one counts: no blank or control byte inside, an "@" in it.
QByteArray greetingTimestamp(const QByteArray &greeting);

} // namespace Pop3Parse
