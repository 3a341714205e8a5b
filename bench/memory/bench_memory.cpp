// What the mail summaries cost: ten accounts, each checked for real against the private test
// Dovecot with a mailbox of 10,000 messages (list on, so every subject, sender, size and id is
// read, and the header cache filled). The heap growth (mallinfo2, bytes in use, mapped blocks
// included) from before the first check to after the checks is divided by the messages held and
// set beside the raw summary bytes: subject and sender as sent, the id without its line end, the
// size text. A second round of checks (headers from the cache) and a combined mail list over all
// accounts must add next to nothing: they share the strings.
//   tools/dovecot-test-server start /tmp/bench-dovecot.env
//   VORLO_DOVECOT_INFO=/tmp/bench-dovecot.env QT_QPA_PLATFORM=offscreen build/bench/bench_memory [messages]
//   tools/dovecot-test-server stop /tmp/bench-dovecot.env
//
// Figures (raw 84.2 B a message; target 2.5x = 210.4 B): 629 B before any work on it; 223.6 B
// (2.66x) with one allocation per message and an 8-byte cache index; 183.5 B (2.18x), 191.6 B
// with the combined mail list, with the strings in shared chunks and the index only while a
// check looks ids up.
#include "core/TCheckEngine.h"
#include "core/TSummaryCache.h"
#include "fixtures/Dovecot.h"
#include "fixtures/SyncWait.h"
#include "mail/TMailSummary.h"
#include "mail/ui/TMailListModel.h"
#include "net/TNMPOP3.h"
#include "platform/HeapPolicy.h"
#include "settings/TIniFile.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <malloc.h>

namespace {

constexpr int Accounts = 10;
// The target: the summaries at most this many times their raw bytes.
constexpr double Floor = 2.5;

// Bytes in use: the heap's chunks and the large blocks malloc maps on its own (a list's slot
// array of 10,000 lines is one), which the heap figure alone leaves out.
qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

// Messages whose headers look like everyday mail: names, addresses and subjects of varied length.
QList<QByteArray> mailbox(int messages)
{
    static const char *const names[] = {"Anna Berger", "Jonas Fischer", "Lena Hoffmann", "Max Weber",
                                        "Sophie Wagner", "Paul Becker", "Marie Schulz"};
    static const char *const subjects[] = {"Re: Quarterly report", "Meeting on Thursday",
                                           "Invoice", "Fwd: Holiday photos from the lake",
                                           "Your order has shipped", "Lunch?"};
    QList<QByteArray> box;
    box.reserve(messages);
    for (int i = 1; i <= messages; ++i) {
        const QByteArray name = names[i % 7];
        const QByteArray address = name.toLower().replace(' ', '.') + "@example.org";
        box << Dovecot::message("From: " + name + " <" + address + ">\r\nSubject: " + subjects[i % 6] + " #" +
                                    QByteArray::number(i) + "\r\nDate: Thu, 10 Dec 2026 08:00:00 +0000",
                                QByteArray(200 + (i % 40) * 100, 'x') + "\r\n");
    }
    return box;
}

qint64 rawBytes(const TMailSummary &s)
{
    qint64 bytes = 0;
    for (qsizetype k = 1; k < s.UniqueID.size(); ++k)
        bytes += TMailSummary::lineOf(s.Subject, k).size() + TMailSummary::lineOf(s.Sender, k).size() +
                 TMailSummary::lineOf(s.UniqueID, k).trimmed().size() + TMailSummary::lineOf(s.Size, k).size();
    return bytes;
}

void report(const char *what, qint64 growth, qint64 messages, double rawPerMessage)
{
    const double perMessage = double(growth) / double(messages);
    std::printf("%-34s %8.1f MiB, %6.1f B/message = %4.2fx raw (target <= %.1fx = %5.1f B)\n", what,
                double(growth) / (1024.0 * 1024.0), perMessage, perMessage / rawPerMessage, Floor,
                Floor * rawPerMessage);
}

} // namespace

int main(int argc, char **argv)
{
    // As the program does; the bytes in use counted here do not change with it.
    HeapPolicy::keepFreedMemory();
    QApplication app(argc, argv);
    if (!Dovecot::loadOrSayWhy())
        return 1;
    const int messages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const Dovecot::User user = Dovecot::addUser("mem");
    Dovecot::deliver(user, mailbox(messages));

    QTemporaryDir dir;
    QByteArray ini = "[Main]\r\nECount=" + QByteArray::number(Accounts) + "\r\nKeepLogFile=0\r\n";
    for (int n = 1; n <= Accounts; ++n)
        ini += "[" + QByteArray::number(n) + "]\r\nName=a" + QByteArray::number(n) + "\r\nHost=127.0.0.1:" +
               QByteArray::number(Dovecot::plainPort()) + "\r\nUserID=" + user.name +
               "\r\nPassword=" + TIniFile::encodeStoredPassword(user.password) + "\r\nSecurity=none\r\n";
    QFile f(dir.filePath(QStringLiteral("vorlo.ini")));
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write the settings file");
    f.write(ini);
    f.close();
    TCheckEngine engine;
    engine.SettingsDir = dir.path();
    TIniFile file(f.fileName());
    engine.readSettings(file);
    for (int n = 1; n <= Accounts; ++n)
        engine.Accounts.slot(n).CheckTimer->stop();

    auto checkAll = [&] {
        for (int n = 1; n <= Accounts; ++n) {
            syncWait(engine.checkmail(n, engine.Accounts.slot(n).Pop3));
            if (engine.Accounts.data(n).MailCount != messages || !engine.Accounts.data(n).LastError.isEmpty())
                qFatal("account %d read %d of %d messages", n, engine.Accounts.data(n).MailCount, messages);
        }
        QCoreApplication::processEvents();
    };

    const qint64 before = heapInUse();
    checkAll();
    const qint64 afterFirst = heapInUse();
    checkAll();
    const qint64 afterSecond = heapInUse();
    qint64 raw = 0;
    QList<TMailListModel::AccountLists> lists;
    for (int n = 1; n <= Accounts; ++n) {
        raw += rawBytes(*engine.Accounts.slot(n).MailSummary);
        lists << TMailListModel::listsOf(n, QStringLiteral("a%1").arg(n), *engine.Accounts.slot(n).MailSummary);
    }
    TMailListModel model;
    model.showAll(lists);
    const qint64 withList = heapInUse();

    const qint64 held = qint64(Accounts) * messages;
    const double rawPerMessage = double(raw) / double(held);
    std::printf("%d accounts x %d messages; raw summary %.1f B/message\n", Accounts, messages, rawPerMessage);
    report("after the first checks:", afterFirst - before, held, rawPerMessage);
    report("after the second checks:", afterSecond - before, held, rawPerMessage);
    report("with the combined mail list:", withList - before, held, rawPerMessage);

    // Where it goes: each part is let go in turn and the heap that frees is its share.
    model.clear();
    lists.clear();
    const qint64 withoutList = heapInUse();
    for (int n = 1; n <= Accounts; ++n)
        engine.Accounts.slot(n).SummaryCache->clear();
    const qint64 withoutCache = heapInUse();
    for (int n = 1; n <= Accounts; ++n)
        engine.Accounts.data(n).KnownIds = {};
    const qint64 withoutKnown = heapInUse();
    for (int n = 1; n <= Accounts; ++n)
        engine.Accounts.slot(n).MailSummary->reset();
    const qint64 withoutLists = heapInUse();
    engine.shutdown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const qint64 withoutClients = heapInUse();
    const auto share = [held](qint64 bytes) { return double(bytes) / double(held); };
    std::printf("of which (B/message): header cache index %.1f, known ids %.1f, lists and their strings %.1f, "
                "what the POP3 clients keep of the last check %.1f, the rest %.1f\n",
                share(withoutList - withoutCache), share(withoutCache - withoutKnown),
                share(withoutKnown - withoutLists), share(withoutLists - withoutClients),
                share(withoutClients - before));
    return 0;
}
