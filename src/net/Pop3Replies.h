#pragma once

// How the POP3 client reads a reply line; shared by the one-by-one and the pipelined reads.
#include "net/ESockError.h"
#include "net/TPowersock.h"

#include <QByteArray>

namespace Pop3Replies {

inline bool accepted(const QByteArray &reply)
{
    return TPowersock::NthField(reply, ' ', 1).contains("+OK");
}

// The line without its terminator (CR LF or a bare LF).
inline QByteArray withoutLineEnd(const QByteArray &line)
{
    if (line.endsWith("\r\n"))
        return line.chopped(2);
    if (line.endsWith('\n'))
        return line.chopped(1);
    return line;
}

// A rejected reply raises its line; no line at all means the server went away.
[[noreturn]] inline void rejected(const QByteArray &reply)
{
    if (reply.isEmpty())
        throw ESockError("Connection closed before the reply");
    throw ERefusedReply(reply);
}

} // namespace Pop3Replies
