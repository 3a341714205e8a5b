// The tray icon component on its own: tooltip, pictures handed to the status area, the
// animation over its frame list and the mouse notifications.
#include "desktop/TCoolTrayIcon.h"
#include "desktop/TTrayPictures.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QtTest>

class TestCoolTrayIcon : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void tooltip_data();
    void tooltip();
    void pictureChangesInPlaceUntilRefresh();
    void addAndDelete();
    void cycling();
    void cyclingWithoutFrames();
    void clicks();
    void doubleClickRunsTheDefaultItem_data();
    void doubleClickRunsTheDefaultItem();
    void disabledIgnoresTheMouse();
    void menuGoesAway();
    void pictures();
};

namespace {
// Records the events in the order they come.
struct Recorder
{
    QStringList events;
    void attach(TCoolTrayIcon &tray)
    {
        tray.OnClick = [this](QObject *) { events << QStringLiteral("click"); };
        tray.OnDblClick = [this](QObject *) { events << QStringLiteral("dblclick"); };
        auto name = [](Qt::MouseButton b) {
            return b == Qt::LeftButton ? QStringLiteral("left") : b == Qt::RightButton ? QStringLiteral("right")
                                                                                       : QStringLiteral("middle");
        };
        tray.OnMouseDown = [this, name](QObject *, Qt::MouseButton b, Qt::KeyboardModifiers, int, int) {
            events << QStringLiteral("down ") + name(b);
        };
        tray.OnMouseUp = [this, name](QObject *, Qt::MouseButton b, Qt::KeyboardModifiers, int, int) {
            events << QStringLiteral("up ") + name(b);
        };
    }
};

QList<QIcon> frames(int n)
{
    QList<QIcon> list;
    for (int k = 0; k < n; ++k)
        list << QIcon(TTrayPictures::render(3 + k % 4, 16));
    return list;
}
} // namespace

void TestCoolTrayIcon::defaults()
{
    TCoolTrayIcon tray;
    QVERIFY(tray.Icon().isNull());
    QVERIFY(!tray.CycleIcons());
    QCOMPARE(tray.CycleInterval(), 0);
    QVERIFY(tray.Hint().isEmpty());
    QVERIFY(!tray.ShowHint());
    QVERIFY(tray.IconVisible());
    QVERIFY(tray.Enabled());
    QVERIFY(!tray.PopupMenu());
    QVERIFY(!tray.LeftPopup());
    QVERIFY(!tray.StartMinimized());
    QVERIFY(!tray.MinimizeToTray());
    QVERIFY(!tray.cycleTimer()->isActive());
}

void TestCoolTrayIcon::tooltip_data()
{
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("showHint");
    QTest::addColumn<QString>("tip");
    const QString eighty = QString(80, QLatin1Char('x')).replace(0, 10, QStringLiteral("0123456789"));
    QTest::newRow("80 characters") << eighty << true << eighty.left(63);
    QTest::newRow("63 characters") << eighty.left(63) << true << eighty.left(63);
    QTest::newRow("hint off") << QStringLiteral("You have 3 new Mails") << false << QString();
    QTest::newRow("empty hint") << QString() << true << QString();
    // A character of two code units at the cut is dropped whole.
    QTest::newRow("no half character") << QString(62, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x93\xA7") + "b"
                                       << true << QString(62, QLatin1Char('a'));
}

void TestCoolTrayIcon::tooltip()
{
    QFETCH(QString, hint);
    QFETCH(bool, showHint);
    QFETCH(QString, tip);
    TCoolTrayIcon tray;
    tray.setIcon(QIcon(TTrayPictures::render(0, 16)));
    tray.setShowHint(showHint);
    tray.setHint(hint);
    QCOMPARE(tray.Hint(), hint);
    QCOMPARE(tray.tipText(), tip);
    QCOMPARE(tray.systemIcon()->toolTip(), tip);
}

void TestCoolTrayIcon::pictureChangesInPlaceUntilRefresh()
{
    TCoolTrayIcon tray;
    const QList<QIcon> still = TTrayPictures::ImageList1();
    tray.setStillList(still);
    tray.setIcon(still.at(0));
    tray.loaded();
    QCOMPARE(tray.systemIcon()->icon().cacheKey(), still.at(0).cacheKey());
    tray.setStillIcon(2);
    QCOMPARE(tray.Icon().cacheKey(), still.at(2).cacheKey());
    QCOMPARE(tray.systemIcon()->icon().cacheKey(), still.at(0).cacheKey());
    tray.refresh();
    QCOMPARE(tray.systemIcon()->icon().cacheKey(), still.at(2).cacheKey());
    // An index outside the list changes nothing.
    tray.setStillIcon(3);
    QCOMPARE(tray.Icon().cacheKey(), still.at(2).cacheKey());
}

void TestCoolTrayIcon::addAndDelete()
{
    TCoolTrayIcon tray;
    tray.setIcon(TTrayPictures::programIcon());
    tray.loaded();
    QVERIFY(tray.systemIcon()->isVisible());
    tray.setIconVisible(false);
    QVERIFY(!tray.IconVisible());
    QVERIFY(!tray.systemIcon()->isVisible());
    // A modify while deleted does not bring the icon back.
    tray.setHint(QStringLiteral("x"));
    QVERIFY(!tray.systemIcon()->isVisible());
    tray.TrayAdd();
    QVERIFY(tray.IconVisible());
    QVERIFY(tray.systemIcon()->isVisible());

    // An icon without a picture waits for its first one.
    TCoolTrayIcon bare;
    bare.loaded();
    QVERIFY(!bare.systemIcon()->isVisible());
    bare.setIcon(TTrayPictures::programIcon());
    QVERIFY(bare.systemIcon()->isVisible());
}

void TestCoolTrayIcon::cycling()
{
    TCoolTrayIcon tray;
    const QList<QIcon> list = frames(4);
    tray.setIconList(list);
    tray.setCycleInterval(250);
    QCOMPARE(tray.cycleTimer()->interval(), 250);
    tray.setCycleInterval(1); // the same steps, quicker
    QList<int> seen;
    QList<qint64> shown;
    tray.OnCycle = [&](QObject *sender, int frame) {
        QCOMPARE(sender, &tray);
        seen << frame;
        shown << tray.Icon().cacheKey();
    };
    tray.setCycleIcons(true);
    QVERIFY(tray.cycleTimer()->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(seen.size() >= 6, 5000);
    tray.setCycleIcons(false);
    QVERIFY(!tray.cycleTimer()->isActive());
    QCOMPARE(seen.mid(0, 6), QList<int>({0, 1, 2, 3, 0, 1}));
    QCOMPARE(shown.at(2), list.at(2).cacheKey());
    // The status area got the frame of the last step; while still, that picture stays.
    QCOMPARE(tray.systemIcon()->icon().cacheKey(), list.at(seen.constLast()).cacheKey());

    // Turning the animation on again starts at frame 0, each time.
    for (int round = 0; round < 2; ++round) {
        seen.clear();
        tray.setCycleIcons(true);
        QCOMPARE(tray.frameIndex(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!seen.isEmpty(), 5000);
        tray.setCycleIcons(false);
        QCOMPARE(seen.constFirst(), 0);
    }

    // An interval of 0 runs no timer at all.
    tray.setCycleInterval(0);
    tray.setCycleIcons(true);
    QVERIFY(!tray.cycleTimer()->isActive());
}

void TestCoolTrayIcon::cyclingWithoutFrames()
{
    TCoolTrayIcon tray;
    const QIcon icon = TTrayPictures::programIcon();
    tray.setIcon(icon);
    tray.setCycleInterval(1);
    int steps = 0;
    tray.OnCycle = [&](QObject *, int) { ++steps; };
    tray.setCycleIcons(true);
    QSignalSpy ticks(tray.cycleTimer(), &QTimer::timeout);
    QVERIFY(ticks.wait(2000));
    QCOMPARE(steps, 0);
    QCOMPARE(tray.Icon().cacheKey(), icon.cacheKey());
}

void TestCoolTrayIcon::clicks()
{
    TCoolTrayIcon tray;
    Recorder r;
    r.attach(tray);
    tray.handleActivation(QSystemTrayIcon::Trigger);
    QCOMPARE(r.events, QStringList({"down left", "click", "up left"}));
    r.events.clear();
    tray.handleActivation(QSystemTrayIcon::Context);
    QCOMPARE(r.events, QStringList({"down right", "up right"}));
    r.events.clear();
    tray.handleActivation(QSystemTrayIcon::MiddleClick);
    QCOMPARE(r.events, QStringList({"down middle", "up middle"}));
    r.events.clear();
    // A double-click: the desktop reports the first click, then the double-click.
    tray.handleActivation(QSystemTrayIcon::Trigger);
    tray.handleActivation(QSystemTrayIcon::DoubleClick);
    QCOMPARE(r.events, QStringList({"down left", "click", "up left", "dblclick", "up left"}));
}

void TestCoolTrayIcon::doubleClickRunsTheDefaultItem_data()
{
    QTest::addColumn<bool>("leftPopup");
    QTest::addColumn<bool>("withMenu");
    QTest::addColumn<int>("runs");
    QTest::newRow("menu") << false << true << 1;
    QTest::newRow("left button opens menus") << true << true << 0;
    QTest::newRow("no menu") << false << false << 0;
}

void TestCoolTrayIcon::doubleClickRunsTheDefaultItem()
{
    QFETCH(bool, leftPopup);
    QFETCH(bool, withMenu);
    QFETCH(int, runs);
    QMenu menu;
    QAction *first = menu.addAction(QStringLiteral("First"));
    QAction *check = menu.addAction(QStringLiteral("&Check all"));
    menu.setDefaultAction(check);
    QSignalSpy firstRuns(first, &QAction::triggered);
    QSignalSpy checkRuns(check, &QAction::triggered);
    TCoolTrayIcon tray;
    tray.setLeftPopup(leftPopup);
    if (withMenu)
        tray.setPopupMenu(&menu);
    QCOMPARE(tray.systemIcon()->contextMenu(), withMenu ? &menu : nullptr);
    Recorder r;
    r.attach(tray);
    tray.handleActivation(QSystemTrayIcon::DoubleClick);
    QCOMPARE(r.events.value(0), QStringLiteral("dblclick"));
    QCOMPARE(checkRuns.size(), runs);
    QCOMPARE(firstRuns.size(), 0);
    menu.hide();
}

void TestCoolTrayIcon::disabledIgnoresTheMouse()
{
    QMenu menu;
    menu.setDefaultAction(menu.addAction(QStringLiteral("&Check all")));
    QSignalSpy runs(menu.defaultAction(), &QAction::triggered);
    TCoolTrayIcon tray;
    tray.setPopupMenu(&menu);
    tray.setEnabled(false);
    Recorder r;
    r.attach(tray);
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
                        QSystemTrayIcon::MiddleClick})
        tray.handleActivation(reason);
    QVERIFY(r.events.isEmpty());
    QCOMPARE(runs.size(), 0);
    // Not even the status area's own right-click menu.
    QVERIFY(!tray.systemIcon()->contextMenu());
    tray.setEnabled(true);
    QCOMPARE(tray.systemIcon()->contextMenu(), &menu);
}

void TestCoolTrayIcon::menuGoesAway()
{
    TCoolTrayIcon tray;
    auto *menu = new QMenu;
    tray.setPopupMenu(menu);
    delete menu;
    QVERIFY(!tray.PopupMenu());
    QVERIFY(!tray.systemIcon()->contextMenu());
    tray.handleActivation(QSystemTrayIcon::DoubleClick); // nothing to click, nothing breaks
}

void TestCoolTrayIcon::pictures()
{
    // Eight different pictures, each with the small size a tray shows and something drawn.
    QList<QImage> images;
    for (int kind = 0; kind < 8; ++kind) {
        const QImage image = TTrayPictures::render(kind, 16).toImage();
        QCOMPARE(image.size(), QSize(16, 16));
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128;
        QVERIFY2(opaque > 40, qPrintable(QString::number(kind)));
        for (const QImage &other : std::as_const(images))
            QVERIFY(other != image);
        images << image;
    }
    QCOMPARE(TTrayPictures::ImageList1().size(), 3);
    QCOMPARE(TTrayPictures::ImageList2().size(), 4);
    QVERIFY(TTrayPictures::programIcon().availableSizes().contains(QSize(16, 16)));
    QVERIFY(TTrayPictures::programIcon().availableSizes().contains(QSize(48, 48)));
}

QTEST_MAIN(TestCoolTrayIcon)
#include "tst_TCoolTrayIcon.moc"
