// The request URL splitter, on the input read as UTF-8 and as Latin-1.
#include "FuzzInput.h"
#include "net/HttpUrl.h"
#include "platform/GeneralError.h"

namespace {

void parse(const QString &url)
{
    try {
        const HttpUrl parts = HttpUrl::parse(url);
        FUZZ_CHECK(parts.path.startsWith('/'));
        FUZZ_CHECK(parts.port >= 0 && parts.port <= 65535);
        FUZZ_CHECK(parts.url.startsWith(url));
        // What reaches the request line and the Host header carries no blank or line end.
        for (const QChar c : parts.host)
            FUZZ_CHECK(c.unicode() > 0x20 && c.unicode() != 0x7F);
        for (const char c : parts.path)
            FUZZ_CHECK(static_cast<unsigned char>(c) > 0x20 && c != 0x7F);
    } catch (const EGeneralError &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    parse(QString::fromUtf8(text, qsizetype(size)));
    parse(QString::fromLatin1(text, qsizetype(size)));
    return 0;
}
