#pragma once

#include "platform/GeneralError.h"

// A failure of the socket layer; the message is one of the transport's texts or an
// error number with its description ("10061:Connection refused").
class ESockError : public EGeneralError
{
public:
    using EGeneralError::EGeneralError;
    explicit ESockError(const char *message) : EGeneralError(QString::fromUtf8(message)) {}
};

// A wait that ended because it was cancelled or timed out ("Socket readln aborted").
class EAbortError : public ESockError
{
public:
    using ESockError::ESockError;
};

// The server answered a command with something other than "+OK"; the message is its reply
// line as received.
class ERefusedReply : public EGeneralError
{
public:
    using EGeneralError::EGeneralError;
};
