// Program entry: the application object, the forms in their order, the message loop.
#include "core/TApplication.h"
#include "core/TF_CheckerWindow.h"
#include "desktop/TCheckerDesktop.h"
#include "mail/ui/TF_EMailList.h"
#include "platform/ExitSignals.h"
#include "settings/ui/TF_Prefs.h"
#include "update/TF_About.h"
#include "update/TF_Update.h"

#include <QPointer>

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    QStringList arguments = app.arguments();
    arguments.removeFirst();

    auto *checker = new TF_CheckerWindow(arguments);
    // The checker window's own parts: tray icon, transparency, program icon.
    TCheckerDesktop::install(*checker);
    QPointer<TF_Prefs> prefs = new TF_Prefs;
    QPointer<TF_About> about = new TF_About;
    QPointer<TF_Update> update = new TF_Update;
    QPointer<TF_EMailList> mailList = new TF_EMailList;
    checker->setAboutBox(about);
    checker->setUpdateDialog(update);

    // The end of the logon, SIGTERM and SIGINT run the same orderly exit as "Exit".
    ExitSignals exitSignals;
    QObject::connect(&exitSignals, &ExitSignals::exitRequested, checker, &TF_CheckerWindow::Button3Click);
    QObject::connect(checker, &TF_CheckerWindow::exiting, checker, [&] {
        delete update;
        delete prefs;
        delete about;
        delete mailList;
    });

    const int rc = app.exec();
    delete checker;
    return rc;
}
