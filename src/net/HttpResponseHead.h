#pragma once

#include <QByteArray>

// Reads an HTTP response head line by line, on bytes alone; the transport only hands it
// the lines as read. The first line is the status line; an empty line (no bytes at all)
// stands for the end of the input, where the server closed the connection.
//
// Raises EGeneralError for a connection closed before any line ("Connection closed
// without a response"), an HTTP head closed before its empty line ("Connection closed
// before the response was complete"; a server that does not speak HTTP may just close)
// and a head longer than its limit ("Response header too long").
class HttpResponseHead
{
public:
    // Also the failure of a body shorter than its announced length.
    static constexpr const char *CutShort = "Connection closed before the response was complete";

    explicit HttpResponseHead(qint64 limit) : m_limit(limit) {}

    // Takes the next line, line end included; true while more lines belong to the head.
    bool take(const QByteArray &line);
    // Whether the line taken last is part of the head as received (the closing blank line
    // is; the end of the input is not).
    bool belongs() const { return m_belongs; }

    // The status: the status line's second blank-separated field when that is a number
    // that fits the reply number; 0 for anything else.
    qint16 status() const { return m_status; }
    // Values of the last "Set-Cookie:" and "Location:" lines, without their line ends.
    QByteArray cookie() const { return m_cookie; }
    QByteArray location() const { return m_location; }
    // "Content-Length:"; 0 when it is missing, negative or no number.
    qint32 contentLength() const { return m_contentLength; }

private:
    void takeField(const QByteArray &line);

    qint64 m_limit;
    qint64 m_bytes = 0;
    bool m_started = false;
    bool m_http = false;
    bool m_belongs = false;
    qint16 m_status = 0;
    QByteArray m_cookie;
    QByteArray m_location;
    qint32 m_contentLength = 0;
};
