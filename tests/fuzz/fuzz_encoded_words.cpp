// Header text with encoded words, decoded for display.
#include "FuzzInput.h"
#include "mail/TEncodedWords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView header(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = TEncodedWords::decode(header);
    // Plain bytes without an encoded word read as they are.
    if (!header.contains("=?") && !header.contains('\r') && !header.contains('\n'))
        FUZZ_CHECK(text == TEncodedWords::bytesToText(header));
    return 0;
}
