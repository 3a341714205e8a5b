#pragma once

// How the POP3 client reads a reply line and writes a command; shared by the one-by-one and
// the pipelined reads.
#include "net/ESockError.h"
#include "net/Pop3Parse.h"

#include <QByteArray>

namespace Pop3Replies {

using Pop3Parse::accepted;
using Pop3Parse::withoutLineEnd;

// Login data travels inside command lines: a line break or NUL in it would end the
// command early and smuggle in another.
inline bool unsafeForWire(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

// A command as the log may show it: never the password.
inline QByteArray loggable(const QByteArray &command)
{
    return command.left(5).toUpper() == "PASS " ? QByteArray("PASS ****") : command;
}

// A rejected reply raises its line; no line at all means the server went away.
[[noreturn]] inline void rejected(const QByteArray &reply)
{
    if (reply.isEmpty())
        throw ESockError("Connection closed before the reply");
    throw ERefusedReply(reply);
}

} // namespace Pop3Replies
