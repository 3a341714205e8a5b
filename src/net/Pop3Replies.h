#pragma once

// How the POP3 client reads a reply line; shared by the one-by-one and the pipelined reads.
#include "net/ESockError.h"
#include "net/Pop3Parse.h"

#include <QByteArray>

namespace Pop3Replies {

using Pop3Parse::accepted;
using Pop3Parse::withoutLineEnd;

// A rejected reply raises its line; no line at all means the server went away.
[[noreturn]] inline void rejected(const QByteArray &reply)
{
    if (reply.isEmpty())
        throw ESockError("Connection closed before the reply");
    throw ERefusedReply(reply);
}

// Login data travels inside command lines: a line break or NUL in it would end the
// command early and smuggle in another.
inline bool unsafeForWire(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

} // namespace Pop3Replies
