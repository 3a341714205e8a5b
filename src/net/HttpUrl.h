#pragma once

#include <QByteArray>
#include <QString>

// A request URL taken apart as TNMHTTP needs it: "[scheme:]//host[:port]/path",
// "host[:port]/path" or a bare "/path". No socket and no component state: the caller
// decides what a missing host or port means.
struct HttpUrl
{
    QString host;      // empty when the URL names none
    qint32 port = 0;   // the URL's port, else its scheme's (gopher 70, ftp 21, others 80); 0: neither
    QByteArray path;   // "/" when the URL names none
    QString url;       // the URL, with that "/" appended

    // Raises EGeneralError: "Empty URL", "Invalid character in URL" (a blank or control
    // character), "HTTP Secure Socket is not supported", "Not a number: '...'" or
    // "Not a valid port: '...'" for the port.
    static HttpUrl parse(const QString &url);
};
