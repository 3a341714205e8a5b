// The reads of many messages in one go: the unique-id listing and the batch of per-message
// commands, sent ahead of their replies where the server allows it.
#include "net/TNMPOP3.h"

#include "net/BusyScope.h"
#include "net/Pop3Replies.h"
#include "platform/Log.h"
#include "platform/TStringArena.h"

#include <QPointer>

#include <array>
#include <charconv>
#include <cstring>
#include <utility>

using Pop3Replies::accepted;
using Pop3Replies::rejected;
using Pop3Replies::withoutLineEnd;

// The commands of one batch and how far they went out. Replies come back in the order the
// commands were sent; the unanswered commands hold at most `window` bytes (one command at a
// time with a window of 0), topped up in one write whenever a quarter of it is free, so a
// slow link carries thousands of commands per round trip. The commands are queued on the
// connection, never waited for: replies are read while commands wait to be written, so a
// server that writes without reading cannot hold us while we hold it.
class TNMPOP3::Pipeline
{
public:
    enum class Kind { Top, Size, Uidl };

    Pipeline(TNMPOP3 &pop, qint64 window) : m_pop(pop), m_window(qMax<qint64>(0, window)) {}

    void add(qsizetype item, Kind kind, qint32 number) { m_commands.append({item, kind, number, false, 0}); }
    qsizetype size() const { return m_commands.size(); }
    Kind kind(qsizetype j) const { return m_commands.at(j).kind; }
    bool dropped(qsizetype j) const { return m_commands.at(j).dropped; }

    // The item's commands that have not gone out are not sent at all.
    void dropUnsent(qsizetype item)
    {
        for (qsizetype j = m_sent; j < m_commands.size(); ++j)
            if (m_commands.at(j).item == item)
                m_commands[j].dropped = true;
    }

    void fill()
    {
        if (m_sent >= m_commands.size() || (m_inFlight > 0 && m_window - m_inFlightBytes < m_window / 4))
            return;
        // Each command is made up where it goes out, no append per command: room for what the
        // window lets go, the first command that always goes, and the one that finds no room.
        constexpr qsizetype MaxCommand = 32;
        const qsizetype unsent = m_commands.size() - m_sent;
        QByteArray text(qMin(unsent * MaxCommand, qMax<qint64>(0, m_window - m_inFlightBytes) + 2 * MaxCommand),
                        Qt::Uninitialized);
        char *out = text.data();
        char *const last = out + text.size();
        // Counted per verb once a write is made up, not hashed per command.
        std::array<qint32, 3> sent{};
        while (m_sent < m_commands.size()) {
            Command &c = m_commands[m_sent];
            if (c.dropped) {
                ++m_sent;
                continue;
            }
            const QByteArrayView verb = verbOf(c.kind);
            std::memcpy(out, verb.data(), size_t(verb.size()));
            char *at = out + verb.size();
            *at++ = ' ';
            at = std::to_chars(at, last, c.number).ptr;
            if (c.kind == Kind::Top) {
                *at++ = ' ';
                *at++ = '0';
            }
            *at++ = '\r';
            *at++ = '\n';
            const qint32 bytes = qint32(at - out);
            // The first command always goes: a window smaller than one command means one at a time.
            if (m_inFlight > 0 && m_inFlightBytes + bytes > m_window)
                break;
            qCDebug(lcPop3) << "sent:" << QByteArrayView(out, bytes - 2);
            out = at;
            ++m_sent;
            c.bytes = bytes;
            ++sent[std::size_t(c.kind)];
            ++m_inFlight;
            m_inFlightBytes += bytes;
        }
        text.truncate(out - text.constData());
        for (const Kind kind : {Kind::Top, Kind::Size, Kind::Uidl})
            if (sent[std::size_t(kind)] > 0)
                m_pop.countVerb(verbOf(kind).toByteArray(), sent[std::size_t(kind)]);
        if (!text.isEmpty())
            m_pop.queueSend(text);
    }

    // The status line of command j, which must be the next one not dropped, into LastReply
    // when it has been received already; false when it must be waited for with statusOf.
    bool takeStatus(qsizetype j)
    {
        sendUpTo(j);
        m_pop.ReplyNumber = 0;
        QByteArrayView line;
        if (!m_pop.takeBufferedLine(line))
            return false;
        // Written over the last status: one per message, and none of them is kept.
        Pop3Parse::keep(m_pop.LastReply, line);
        received(j);
        return true;
    }

    QCoro::Task<> statusOf(qsizetype j)
    {
        sendUpTo(j);
        m_pop.ReplyNumber = 0;
        m_pop.LastReply = co_await m_pop.ReadLn();
        received(j);
    }

private:
    void sendUpTo(qsizetype j)
    {
        while (j >= m_sent) {
            const qsizetype before = m_sent;
            fill();
            if (m_sent == before)
                throw ESockError("Pipelined replies out of step");
        }
    }

    // The bookkeeping once command j's status line is in LastReply.
    void received(qsizetype j)
    {
        if (m_pop.LastReply.isEmpty())
            rejected(m_pop.LastReply);
        --m_inFlight;
        m_inFlightBytes -= m_commands.at(j).bytes;
        if (m_pop.reports(1))
            m_pop.StatusMessage(1, displayText(m_pop.LastReply));
        fill();
    }

    struct Command
    {
        qsizetype item;
        Kind kind;
        qint32 number;
        bool dropped;
        qint32 bytes; // the command's line end included, once sent
    };

    static QByteArrayView verbOf(Kind kind)
    {
        switch (kind) {
        case Kind::Top: return "TOP";
        case Kind::Size: return "LIST";
        case Kind::Uidl: break;
        }
        return "UIDL";
    }

    TNMPOP3 &m_pop;
    const qint64 m_window;
    QList<Command> m_commands;
    qsizetype m_sent = 0;
    qint32 m_inFlight = 0;
    qint64 m_inFlightBytes = 0;
};

QCoro::Task<> TNMPOP3::readBatch(QList<TBatchItem> items, TBatchStart onStart, TBatchDone onDone)
{
    if (m_busy)
        co_return;
    BusyScope busy(this);
    QPointer<TNMPOP3> self(this);
    CheckConnection();

    Pipeline pipe(*this, canPipeline() ? PipelineBytes : 0);
    QList<qsizetype> first;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const TBatchItem &item = items.at(i);
        first.append(pipe.size());
        if (item.Summary)
            pipe.add(i, Pipeline::Kind::Top, item.Number);
        if (item.Summary && item.Size)
            pipe.add(i, Pipeline::Kind::Size, item.Number);
        if (item.UniqueID)
            pipe.add(i, Pipeline::Kind::Uidl, item.Number);
    }
    pipe.fill();

    // A handler's failure belongs to its message; the replies still in flight are read all
    // the same, so the stream stays in step.
    auto guarded = [&](auto &&call) {
        try {
            call();
        } catch (...) {
            if (!self)
                throw EAbortError("Socket readln aborted");
            qCDebug(lcPop3) << "batch handler failed:" << Log::currentError();
            return false;
        }
        if (!self)
            throw EAbortError("Socket readln aborted");
        return true;
    };

    for (qsizetype i = 0; i < items.size(); ++i) {
        const TBatchItem &item = items.at(i);
        if (onStart)
            guarded([&] { onStart(i); });
        TBatchResult result;
        bool summaryOk = item.Summary;
        const qsizetype end = i + 1 < items.size() ? first.at(i + 1) : pipe.size();
        for (qsizetype j = first.at(i); j < end; ++j) {
            if (pipe.dropped(j))
                continue;
            const Pipeline::Kind kind = pipe.kind(j);
            if (kind == Pipeline::Kind::Top && OnRetrieveStart && !guarded([&] { OnRetrieveStart(this); })) {
                summaryOk = false;
                pipe.dropUnsent(i);
                if (pipe.dropped(j))
                    continue;
            }
            // Replies already received are taken without suspending: mostly all of them.
            if (!pipe.takeStatus(j))
                co_await pipe.statusOf(j);
            // Looked at before the next read, which writes over it.
            const QByteArray &status = LastReply;
            if (kind == Pipeline::Kind::Top) {
                if (accepted(status)) {
                    // Read even when unwanted: the lines are on their way.
                    qint64 budget = startHeader();
                    if (!takeHeaderLines(budget))
                        co_await readHeaderRest(budget);
                } else {
                    summaryOk = false;
                }
                if (summaryOk && !item.Size)
                    Summary.Bytes = listedSize(item.Number);
            } else if (kind == Pipeline::Kind::Size) {
                if (summaryOk)
                    summaryOk = guarded([&] { takeSize(status); });
            } else {
                if (const std::optional<QByteArray> id = Pop3Parse::uniqueIdReply(status)) {
                    result.IdRead = true;
                    result.Id = *id;
                } else if (OnFailure) {
                    guarded([&] { OnFailure(this); });
                }
            }
            const bool summaryDone = (kind == Pipeline::Kind::Top && !item.Size) || kind == Pipeline::Kind::Size;
            if (summaryDone && summaryOk) {
                StatusMessage(1, "Summary Retrieved");
                if (OnRetrieveEnd)
                    summaryOk = guarded([&] { OnRetrieveEnd(this); });
            }
            if (item.Summary && !summaryOk)
                pipe.dropUnsent(i);
        }
        result.SummaryRead = item.Summary && summaryOk;
        if (onDone)
            guarded([&] { onDone(i, result); });
    }
}

QCoro::Task<QByteArrayList> TNMPOP3::uniqueIdList()
{
    if (m_busy)
        co_return QByteArrayList();
    BusyScope busy(this);
    LoginListing given;
    const QByteArray status = co_await listingStatus(m_loginIds, given, "UIDL");
    if (status.isEmpty())
        rejected(status);
    if (!accepted(status))
        co_return QByteArrayList();
    qint64 budget = ListLimit;
    // Copied one behind the other into shared chunks: one allocation for hundreds of ids. A
    // check keeps them only until it packs each message's strings together.
    TStringArena strings;
    QByteArrayList ids{QByteArray()};
    // Room for what the count claims, up to a bound: a count is only the server's word.
    ids.reserve(qsizetype(qBound(0, MailCount, 1 << 16)) + 1);
    bool agrees = true;
    for (;;) {
        QByteArray held;
        QByteArrayView raw;
        if (!takeListingLine(given.present ? &given : nullptr, held, raw, budget, "id listing")) {
            held = co_await readReplyLine(budget, "id listing");
            raw = held;
        }
        if (withoutLineEnd(raw) == ".")
            break;
        if (!agrees)
            continue;
        // Numbers that are not 1, 2, 3 ... up to the count make every id doubtful, and a
        // doubtful id could delete the wrong message: the caller asks message by message.
        const Pop3Parse::ListedIdView listed = Pop3Parse::idLineView(raw);
        if (ids.size() > qsizetype(MailCount) || listed.number != ids.size()) {
            agrees = false;
            ids.clear();
            continue;
        }
        ids.append(std::move(strings.pack<1>({listed.id})[0]));
    }
    if (!agrees || ids.size() != qsizetype(MailCount) + 1)
        co_return QByteArrayList();
    co_return ids;
}
