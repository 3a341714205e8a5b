#include "desktop/TCheckerDesktop.h"

#include "core/ui/TF_CheckerWindow.h"
#include "core/TSilent.h"
#include "desktop/TAgBlend.h"
#include "desktop/TCoolTrayIcon.h"
#include "desktop/TTrayPictures.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>

TCoolTrayIcon *TCheckerDesktop::createTrayIcon(TF_CheckerWindow &window)
{
    auto *tray = new TCoolTrayIcon(&window);
    tray->setObjectName(QStringLiteral("CoolTrayIcon1"));
    tray->setIconList(TTrayPictures::ImageList2());
    tray->setStillList(TTrayPictures::ImageList1());
    tray->setCycleInterval(250);
    tray->setHint(QStringLiteral("Vorlo"));
    tray->setShowHint(true);
    tray->setIcon(TTrayPictures::programIcon());
    tray->setPopupMenu(window.PopupMenu6);
    tray->setStartMinimized(true);
    tray->OnCycle = [&window](QObject *, int) { runSilently([&] { window.CoolTrayIcon1Cycle(); }); };
    // The start-up may have gone offline (saved state, "AlwaysOffline", "-offline") before this
    // icon existed: it shows the picture the window set then.
    if (!window.isOnline())
        tray->setStillIcon(2);
    tray->loaded();

    window.setTrayIcon(tray);
    ITrayIcon *registered = tray;
    // The window must never call a freed icon; at the window's own end it is gone already.
    // Also called while the window itself is being destroyed, when it is no checker window any
    // more: the cast finds that out, where a typed guard would not.
    QObject::connect(tray, &QObject::destroyed, [registered, guard = QPointer<QObject>(&window)] {
        auto *checker = qobject_cast<TF_CheckerWindow *>(guard.data());
        if (checker && checker->trayIcon() == registered)
            checker->setTrayIcon(nullptr);
    });
    // The exit procedure frees the icon, which takes it out of the status area.
    QObject::connect(&window, &TF_CheckerWindow::exiting, &window, [icon = QPointer<TCoolTrayIcon>(tray)] {
        delete icon.data();
    });
    return tray;
}

TAgBlend *TCheckerDesktop::createTransparency(TF_CheckerWindow &window)
{
    auto *blend = new TAgBlend(&window);
    blend->setObjectName(QStringLiteral("AgBlend1"));
    window.setTransparency(blend);
    ITransparency *registered = blend;
    // Also called while the window itself is being destroyed, when it is no checker window any
    // more: the cast finds that out, where a typed guard would not.
    QObject::connect(blend, &QObject::destroyed, [registered, guard = QPointer<QObject>(&window)] {
        auto *checker = qobject_cast<TF_CheckerWindow *>(guard.data());
        if (checker && checker->transparency() == registered)
            checker->setTransparency(nullptr);
    });
    return blend;
}

void TCheckerDesktop::install(TF_CheckerWindow &window)
{
    const QIcon icon = TTrayPictures::programIcon();
    QApplication::setWindowIcon(icon);
    window.setWindowIcon(icon);
    createTrayIcon(window);
    createTransparency(window);
    runSilently([&] { window.applyTransparency(); });
}
