// The HTTP response head, line by line as the transport reads it, then the server's close.
#include "FuzzInput.h"
#include "net/HttpResponseHead.h"
#include "platform/GeneralError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayList lines = fuzzLines(data, size);
    lines.append(QByteArray());
    // Small enough that inputs reach the limit.
    constexpr qint64 limit = 512;
    HttpResponseHead head(limit);
    qint64 kept = 0;
    try {
        for (const QByteArray &line : std::as_const(lines)) {
            const bool more = head.take(line);
            if (head.belongs())
                kept += line.size();
            FUZZ_CHECK(kept <= limit);
            if (!more)
                break;
        }
    } catch (const EGeneralError &) {
    }
    FUZZ_CHECK(head.contentLength() >= 0);
    FUZZ_CHECK(head.status() >= 0);
    FUZZ_CHECK(!head.cookie().contains('\n') && !head.location().contains('\n'));
    return 0;
}
