// Every POP3 line reader on every line of the input.
#include "FuzzInput.h"
#include "net/Pop3Parse.h"
#include "net/TPowersock.h"
#include "platform/GeneralError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TSummary summary;
    for (const QByteArray &line : fuzzLines(data, size)) {
        const bool positive = Pop3Parse::positive(line);
        FUZZ_CHECK(!positive || Pop3Parse::accepted(line));
        FUZZ_CHECK(!(positive && Pop3Parse::negative(line)));
        const QByteArray bare = Pop3Parse::withoutLineEnd(line);
        FUZZ_CHECK(line.startsWith(bare) && line.size() - bare.size() <= 2);

        Pop3Parse::statCount(line);
        Pop3Parse::sizeLineOrZero(bare);
        try {
            const Pop3Parse::Listed strict = Pop3Parse::sizeLine(bare);
            const Pop3Parse::Listed lenient = Pop3Parse::sizeLineOrZero(bare);
            FUZZ_CHECK(strict.number == lenient.number && strict.size == lenient.size);
        } catch (const EGeneralError &) {
        }
        try {
            Pop3Parse::sizeReply(line);
        } catch (const EGeneralError &) {
        }

        const Pop3Parse::ListedId listed = Pop3Parse::idLine(line);
        FUZZ_CHECK(line.contains(listed.id));
        FUZZ_CHECK(listed.id == TPowersock::NthFieldView(line, ' ', 2));
        const std::optional<QByteArray> id = Pop3Parse::uniqueIdReply(line);
        FUZZ_CHECK(id.has_value() == positive);

        Pop3Parse::takeHeaderField(summary, line);
        FUZZ_CHECK(summary.MessageId.size() <= 256);

        const QByteArray name = Pop3Parse::capabilityName(bare);
        FUZZ_CHECK(bare.contains(name));

        const QByteArray stamp = Pop3Parse::greetingTimestamp(line);
        FUZZ_CHECK(stamp.isEmpty() || (stamp.startsWith('<') && stamp.endsWith('>') && line.contains(stamp)));
    }
    return 0;
}
