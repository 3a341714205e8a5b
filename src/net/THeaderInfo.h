#pragma once

#include <QByteArray>

// Values for the request headers of TNMHTTP; an empty value sends no header. They go on
// the wire as they are, so they are bytes.
struct THeaderInfo
{
    QByteArray LocalMailAddress;    // "From"
    QByteArray LocalProgram;        // "User-Agent"
    QByteArray Cookie;              // "Cookie"; a redirect stores the server's cookie here
    QByteArray Referer;             // "Referer"
    QByteArray UserId;              // with Password: Basic "Authorization"
    QByteArray Password;
};
