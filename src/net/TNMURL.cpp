#include "net/TNMURL.h"
#include "platform/Log.h"

#include <exception>

TNMURL::TNMURL(QObject *parent) : QObject(parent)
{
}

QByteArray TNMURL::encode(const QByteArray &text)
{
    static constexpr char hex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ') {
            out += '+';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

QByteArray TNMURL::Encode()
{
    try {
        return encode(InputString);
    } catch (const std::exception &e) {
        qCDebug(lcNet) << "encoding failed:" << e.what();
        // Out of memory for a huge input: the caller still gets its data back.
        if (OnError)
            OnError(this, QStringLiteral("Error during encode"), QString::fromLocal8Bit(e.what()));
        return InputString;
    }
}
