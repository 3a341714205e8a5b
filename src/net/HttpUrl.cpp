#include "net/HttpUrl.h"

#include "net/TPowersock.h"

HttpUrl HttpUrl::parse(const QString &url)
{
    if (url.isEmpty())
        throw EGeneralError(QStringLiteral("Empty URL"));
    // Control characters and blanks would break the request line or add header lines.
    for (const QChar c : url)
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F)
            throw EGeneralError(QStringLiteral("Invalid character in URL"));

    HttpUrl parts;
    // "//" names a server only where it opens the URL's first slash ("http://host/...",
    // "//host/..."); a "//" inside a path does not.
    const qsizetype firstSlash = url.indexOf(QLatin1Char('/'));
    const bool hasServer = firstSlash >= 0 && url.mid(firstSlash, 2) == QLatin1String("//");
    QString path;
    QString hostPart;
    if (hasServer) {
        const qsizetype third = url.indexOf(QLatin1Char('/'), firstSlash + 2);
        path = third < 0 ? QString() : url.mid(third);
        hostPart = url.mid(firstSlash + 2, third < 0 ? -1 : third - firstSlash - 2);
    } else if (firstSlash >= 0) {
        path = url.mid(firstSlash);
        hostPart = url.left(firstSlash);
    } else {
        hostPart = url;
    }

    // A scheme comes before any slash; a colon in a path ("/a:b") is not one.
    const qsizetype colon = url.indexOf(QLatin1Char(':'));
    if (colon >= 0 && (firstSlash < 0 || colon < firstSlash)) {
        const QString scheme = url.left(colon).toLower();
        if (scheme == QLatin1String("gopher"))
            parts.port = 70;
        else if (scheme == QLatin1String("ftp"))
            parts.port = 21;
        else if (scheme == QLatin1String("https"))
            throw EGeneralError(QStringLiteral("HTTP Secure Socket is not supported"));
        else
            parts.port = 80;
    }

    const qsizetype portColon = hostPart.indexOf(QLatin1Char(':'));
    if (portColon >= 0) {
        const QByteArray digits = hostPart.mid(portColon + 1).toUtf8();
        const qint32 port = TPowersock::StrToInt(digits);
        // Only 16 bits reach the socket: a larger number would silently name another port.
        if (port < 1 || port > 65535)
            throw EGeneralError(QStringLiteral("Not a valid port: '%1'").arg(QString::fromUtf8(digits)));
        parts.port = port;
        hostPart.truncate(portColon);
    }
    parts.host = hostPart;

    parts.url = url;
    if (path.isEmpty()) {
        path = QStringLiteral("/");
        parts.url += QLatin1Char('/');
    }
    parts.path = path.toUtf8();
    return parts;
}
