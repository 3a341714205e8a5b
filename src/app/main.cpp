// Program entry: the application object, the forms in their order, the message loop.
#include "core/TMailNotices.h"
#include "core/ui/TApplication.h"
#include "core/ui/TF_CheckerWindow.h"
#include "desktop/TCheckerDesktop.h"
#include "mail/ui/TF_EMailList.h"
#include "platform/DisplayPlatform.h"
#include "platform/DesktopNotifier.h"
#include "platform/ExitSignals.h"
#include "platform/HeapPolicy.h"
#include "platform/NetworkStatus.h"
#include "platform/SleepWatch.h"
#include "settings/ui/TF_Prefs.h"
#include "update/TF_About.h"
#include "update/TF_Update.h"

#include <QPointer>

int main(int argc, char **argv)
{
    HeapPolicy::keepFreedMemory();
    // Decided before Qt picks its platform plugin, which it does in the application object.
    DisplayPlatform::applyBeforeApplication();
    TApplication app(argc, argv);
    // Installed first, so a request to end that comes during start-up waits in the event loop
    // for the exit procedure instead of killing the process unsaved.
    ExitSignals exitSignals;
    QStringList arguments = app.arguments();
    arguments.removeFirst();

    auto *checker = new TF_CheckerWindow(arguments);
    // The checker window's own parts: tray icon, transparency, program icon.
    TCheckerDesktop::install(*checker);
    // The desktop around the checks: reachability, sleep and notifications.
    TCheckEngine &engine = checker->engine();
    engine.followNetwork(NetworkStatus::create(checker));
    engine.followSleep(SleepWatch::create(checker));
    DesktopNotifier *notifier = DesktopNotifier::create(checker, [window = QPointer<TF_CheckerWindow>(checker)](
                                                                     const QString &title, const QString &body) {
        if (window && window->trayIcon())
            window->trayIcon()->showBalloon(title, body);
    });
    auto *notices = new TMailNotices(engine, *notifier, checker);
    QObject::connect(notices, &TMailNotices::openMailList, checker, [checker](int n) { checker->MailListClick(n); });
    QPointer<TF_Prefs> prefs = new TF_Prefs(*checker);
    QPointer<TF_About> about = new TF_About;
    QPointer<TF_Update> update = new TF_Update;
    QPointer<TF_EMailList> mailList = new TF_EMailList(*checker);
    checker->setAboutBox(about);
    checker->setUpdateDialog(update);

    // The end of the logon, SIGTERM and SIGINT run the same orderly exit as "Exit".
    QObject::connect(&exitSignals, &ExitSignals::exitRequested, checker, &TF_CheckerWindow::Button3Click);
    // The exit may run inside a form's own handler (a modal box, a wait): the forms go once
    // that handler has returned, never under it.
    const QList<QPointer<QWidget>> forms{update.data(), prefs.data(), about.data(), mailList.data()};
    QObject::connect(checker, &TF_CheckerWindow::exiting, checker, [forms] {
        for (const QPointer<QWidget> &form : forms)
            if (form) {
                form->hide();
                form->deleteLater();
            }
    });

    const int rc = app.exec();
    // Checks still suspended were woken by the exit (their connections closed): let them
    // resume and unwind, and their clients go, before the window they report to.
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    for (const QPointer<QWidget> &form : forms)
        delete form.data();
    delete checker;
    return rc;
}
