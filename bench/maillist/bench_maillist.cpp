// The mail list window with large mailboxes.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_maillist [runs]
// Prints the median times of showing the combined view of 20 accounts (1,250 and 2,500
// messages each) and of "Delete All Mails" on one account of 5,000 and 10,000 messages, each
// including the grid's repaint.
#include "core/ui/TF_CheckerWindow.h"
#include "mail/TMailSummary.h"
#include "mail/ui/TF_EMailList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {
double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

// A checker window, offline, whose accounts hold `messages` summaries each.
struct Mailboxes
{
    QTemporaryDir dir;
    std::unique_ptr<TF_CheckerWindow> checker;
    std::unique_ptr<TF_EMailList> list;

    Mailboxes(int accounts, int messages)
    {
        QByteArray ini = "[Main]\r\non/offline=off\r\nECount=" + QByteArray::number(accounts) + "\r\n";
        for (int n = 1; n <= accounts; ++n)
            ini += "[" + QByteArray::number(n) + "]\r\nName=Account " + QByteArray::number(n) + "\r\n";
        QFile f(dir.filePath(QStringLiteral("vorlo.ini")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        f.write(ini);
        f.close();
        checker = std::make_unique<TF_CheckerWindow>(QStringList{QStringLiteral("-d"), dir.path()});
        for (int n = 1; n <= accounts; ++n) {
            TMailSummary &s = *checker->Accounts.slot(n).MailSummary;
            for (int k = 1; k <= messages; ++k) {
                s.Subject << " =?utf-8?q?Angebot_Nr=2E_?=" + QByteArray::number(k) + " for you";
                s.Sender << " =?iso-8859-1?q?J=F6rg?= <sender" + QByteArray::number(k) + "@example.org>";
                s.Size << QByteArray::number(k % 500 + 1) + " kB";
                s.UniqueID << "UID" + QByteArray::number(n) + "-" + QByteArray::number(k) + "\r\n";
                s.Action << QByteArray();
            }
            checker->Accounts.data(n).MailCount = messages;
        }
        list = std::make_unique<TF_EMailList>(*checker);
        list->showAccount(0);
        QCoreApplication::processEvents(); // the window gets exposed, so repaints really paint
    }
    // The grid lays the new rows out and paints what is visible, as it would on screen.
    void layoutAndPaint()
    {
        list->grid()->doItemsLayout();
        list->grid()->viewport()->repaint();
    }
    ~Mailboxes() { list.reset(); }
};

void combined(int accounts, int messages, int runs)
{
    Mailboxes boxes(accounts, messages);
    QList<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        boxes.list->showView(0);
        boxes.layoutAndPaint();
        times.append(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("combined view, %2d x %5d messages: %7.2f ms (median of %d)\n", accounts, messages, median(times), runs);
}

void deleteAll(int messages, int runs)
{
    Mailboxes boxes(1, messages);
    TMailSummary &s = *boxes.checker->Accounts.slot(1).MailSummary;
    QList<double> times;
    for (int r = 0; r < runs; ++r) {
        s.Pending.clear();
        for (qsizetype i = 1; i < s.Action.size(); ++i)
            s.Action[i].clear();
        boxes.list->showView(1);
        boxes.layoutAndPaint();
        QElapsedTimer t;
        t.start();
        boxes.list->DeleteAllMails1Click();
        boxes.layoutAndPaint();
        times.append(double(t.nsecsElapsed()) / 1e6);
        if (s.Pending.size() != messages)
            qFatal("not every message was marked");
    }
    std::printf("delete all mails, %5d messages:     %7.2f ms (median of %d)\n", messages, median(times), runs);
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    combined(20, 1250, runs);
    combined(20, 2500, runs);
    deleteAll(5000, runs);
    deleteAll(10000, runs);
    return 0;
}
