// Where the checker window sits: floating away from the mouse and back, the remembered
// positions and their warnings, resetting them, always-on-top, and showing and hiding.
// Runs on a 1024 x 768 offscreen screen at 96 ppi.
#include "core/CheckerFixture.h"

#include "core/ui/TCheckerField.h"
#include "core/ui/TFormHooks.h"
#include "platform/GeneralError.h"

#include <QAction>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QtTest>

namespace {
QByteArray oneAccount(const QByteArray &main = {})
{
    return "[Main]\nECount=1\ndefaultX=600\ndefaultY=500\nalternativeX=40\nalternativeY=60\n" + main +
           "[1]\nName=a\n";
}

void stopTimers(TF_CheckerWindow &w)
{
    for (qint32 n = 1; n <= w.Accounts.slotCapacity(); ++n)
        if (QTimer *t = w.Accounts.slot(n).CheckTimer)
            t->stop();
}

struct FakeMailList : IMailListView
{
    QWidget window;
    int resets = 0;
    QWidget *widget() override { return &window; }
    int shownAccount() const override { return -1; }
    void refreshAccount(int) override {}
    void showAccount(int) override {}
    void rebuildAccountMenu() override {}
    void removeAccountItem(QAction *) override {}
    void resetPosition() override { ++resets; }
};

struct FakePrefs : IPrefsView
{
    QWidget window;
    QList<bool> floating, onTop;
    QWidget *widget() override { return &window; }
    void UpdatePrefsControls() override {}
    void setFloatingChecked(bool on) override { floating << on; }
    void setAlwaysOnTopChecked(bool on) override { onTop << on; }
    void showAccount(int) override {}
};

// Counts the mouse events that reach the background panel.
struct PanelSpy : QObject
{
    int moves = 0, presses = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        moves += e->type() == QEvent::MouseMove;
        presses += e->type() == QEvent::MouseButtonPress;
        return false;
    }
};

void moveOverBackground(TF_CheckerWindow &w, Qt::KeyboardModifiers shift = Qt::NoModifier)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(2, w.height() / 2), w.panel()->mapToGlobal(QPointF(2, w.height() / 2)),
                     Qt::NoButton, Qt::NoButton, shift);
    QApplication::sendEvent(w.panel(), &move);
}

QString errorOf(const std::function<void()> &command)
{
    try {
        command();
    } catch (const EGeneralError &e) {
        return e.message();
    }
    return QString();
}
} // namespace

class TestCheckerPlacement : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void startsAtDefault();
    void floatsBetweenThePositions();
    void onlyTheBackgroundFloats();
    void floatBack();
    void makePositions();
    void resetPositions();
    void alwaysOnTop();
    void showAndHide();
};

void TestCheckerPlacement::initTestCase()
{
    QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1024, 768));
}

void TestCheckerPlacement::startsAtDefault()
{
    CheckerFixture fx;
    fx.writeIni(oneAccount());
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    QCOMPARE(w.pos(), QPoint(600, 500));

    // Without stored positions: the bottom right corner, 30 pixels up; the alternative at the left.
    CheckerFixture fresh;
    fresh.writeIni("[Main]\nECount=1\n[1]\nName=a\n");
    TF_CheckerWindow &v = fresh.start();
    stopTimers(v);
    QCOMPARE(v.size(), QSize(35, 27));
    QCOMPARE(v.pos(), QPoint(989, 711));
    QCOMPARE(QPoint(v.Options.alternativeX, v.Options.alternativeY), QPoint(1, 711));
}

void TestCheckerPlacement::floatsBetweenThePositions()
{
    CheckerFixture fx;
    fx.writeIni(oneAccount());
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    // Floating off: nothing moves.
    moveOverBackground(w);
    QCOMPARE(w.pos(), QPoint(600, 500));

    w.Floating1->trigger();
    QVERIFY(w.Floating1->isChecked());
    moveOverBackground(w);
    QCOMPARE(w.pos(), QPoint(40, 60));
    moveOverBackground(w);
    QCOMPARE(w.pos(), QPoint(600, 500));
    // Ctrl held: the user can reach the window.
    moveOverBackground(w, Qt::ControlModifier);
    QCOMPARE(w.pos(), QPoint(600, 500));
    // A window dragged elsewhere goes to the default position first.
    w.move(300, 300);
    moveOverBackground(w);
    QCOMPARE(w.pos(), QPoint(600, 500));
    QVERIFY(!w.floatBackTimer()); // AutoFloat off
}

void TestCheckerPlacement::onlyTheBackgroundFloats()
{
    CheckerFixture fx;
    fx.writeIni(oneAccount("Floating=1\n"));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    w.Floating1->setChecked(true);
    PanelSpy spy;
    w.panel()->installEventFilter(&spy);
    QWindow *window = w.windowHandle();
    QVERIFY(window);
    const QPoint fieldCentre = w.EShowVar(1)->geometry().center();

    // Moves and presses over the field stay with the field, with or without a button held.
    QTest::mouseMove(window, fieldCentre);
    QTest::mouseMove(window, fieldCentre + QPoint(1, 0));
    QTest::mousePress(window, Qt::RightButton, {}, fieldCentre);
    QTest::mouseMove(window, fieldCentre + QPoint(2, 1));
    QTest::mouseRelease(window, Qt::RightButton, {}, fieldCentre + QPoint(2, 1));
    QCOMPARE(spy.moves, 0);
    QCOMPARE(spy.presses, 0);
    QCOMPARE(w.pos(), QPoint(600, 500));

    // A move in the gap at the window's end reaches the background and floats the window.
    QTest::mouseMove(window, QPoint(3, w.height() / 2));
    QCOMPARE(spy.moves, 1);
    QCOMPARE(w.pos(), QPoint(40, 60));
    w.panel()->removeEventFilter(&spy);
}

void TestCheckerPlacement::floatBack()
{
    CheckerFixture fx;
    fx.writeIni(oneAccount("AutoFloat=1\nJumpback=15\n"));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    w.Floating1->trigger();
    moveOverBackground(w);
    QPointer<QTimer> first = w.floatBackTimer();
    QVERIFY(first);
    QVERIFY(first->isActive());
    QVERIFY(first->isSingleShot());
    QCOMPARE(first->interval(), 15000);
    // Each float restarts the wait; at most one is pending.
    moveOverBackground(w);
    moveOverBackground(w);
    QCOMPARE(w.pos(), QPoint(40, 60));
    QVERIFY(!first);
    QCOMPARE(w.findChildren<QTimer *>(QStringLiteral("FloatBackTimer")).size(), 1);

    // The wait ends (shortened here): the window is back at the default position.
    w.floatBackTimer()->start(1);
    QTRY_COMPARE_WITH_TIMEOUT(w.pos(), QPoint(600, 500), 2000);
    QVERIFY(!w.floatBackTimer()->isActive());

    // Once shutting down, the float-back leaves the window where it is.
    moveOverBackground(w);
    QCOMPARE(w.pos(), QPoint(40, 60));
    w.Quitting = true;
    QSignalSpy fired(w.floatBackTimer(), &QTimer::timeout);
    w.floatBackTimer()->start(1);
    QVERIFY(fired.wait(2000));
    QCOMPARE(w.pos(), QPoint(40, 60));
    w.Quitting = false;
}

void TestCheckerPlacement::makePositions()
{
    CheckerFixture fx;
    fx.writeIni(oneAccount());
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    // "Make Default Pos" at the alternative position stores it all the same, with a warning.
    w.move(40, 60);
    QCOMPARE(errorOf([&] { w.default1Click(); }),
             QStringLiteral("Warning: Default and Alternative Positions are the Same!"));
    QCOMPARE(QPoint(w.Options.defaultX, w.Options.defaultY), QPoint(40, 60));
    QCOMPARE(errorOf([&] { w.alternate1Click(); }),
             QStringLiteral("Warning: Default and Alternative Positions Are the Same!"));

    // Different places: no warning. Through the menu nothing escapes either way.
    w.move(200, 210);
    w.default1->trigger();
    QCOMPARE(QPoint(w.Options.defaultX, w.Options.defaultY), QPoint(200, 210));
    w.move(5, 6);
    QCOMPARE(errorOf([&] { w.alternate1Click(); }), QString());
    QCOMPARE(QPoint(w.Options.alternativeX, w.Options.alternativeY), QPoint(5, 6));
    w.move(200, 210);
    w.alternate1->trigger();
    QCOMPARE(QPoint(w.Options.alternativeX, w.Options.alternativeY), QPoint(200, 210));
}

void TestCheckerPlacement::resetPositions()
{
    CheckerFixture fx;
    fx.writeIni(oneAccount());
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    FakeMailList mailList;
    w.setMailList(&mailList);
    QCOMPARE(w.size(), QSize(35, 27));
    w.Reset1->trigger();
    QCOMPARE(QPoint(w.Options.defaultX, w.Options.defaultY), QPoint(989, 711));
    QCOMPARE(QPoint(w.Options.alternativeX, w.Options.alternativeY), QPoint(1, 711));
    QCOMPARE(w.pos(), QPoint(989, 711));
    QCOMPARE(mailList.resets, 1);
    w.setMailList(nullptr);
}

void TestCheckerPlacement::alwaysOnTop()
{
    CheckerFixture fx;
    fx.writeIni(oneAccount());
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    FakePrefs prefs;
    w.setPrefs(&prefs);
    const QRegion mask = w.mask();
    w.AlwaysonTop1->trigger();
    QVERIFY(!w.AlwaysonTop1->isChecked());
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(w.isVisible());
    QCOMPARE(w.pos(), QPoint(600, 500));
    QCOMPARE(w.mask(), mask);
    w.AlwaysonTop1->trigger();
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(prefs.onTop, QList<bool>({false, true}));

    w.Floating1->trigger();
    w.Floating1->trigger();
    QCOMPARE(prefs.floating, QList<bool>({true, false}));
    w.setPrefs(nullptr);
}

void TestCheckerPlacement::showAndHide()
{
    CheckerFixture fx;
    fx.writeIni(oneAccount());
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    FakePrefs prefs;
    w.setPrefs(&prefs);
    prefs.window.show();
    QVERIFY(w.isVisible());

    // From the tray menu: both the checker window and the open preferences go.
    w.Restore1->trigger();
    QVERIFY(w.isHidden());
    QVERIFY(prefs.window.isHidden());
    QCOMPARE(w.Restore1->text(), QStringLiteral("Show"));
    w.Restore1->trigger();
    QVERIFY(w.isVisible());
    QVERIFY(prefs.window.isHidden());
    QCOMPARE(w.Restore1->text(), QStringLiteral("Hide"));

    // Run with the window itself as sender it only relabels the item.
    w.CoolTrayIcon1Click(&w);
    QVERIFY(w.isVisible());
    QCOMPARE(w.Restore1->text(), QStringLiteral("Show"));
    w.Minimize1Click();
    QVERIFY(w.isHidden());
    w.setPrefs(nullptr);
}

QTEST_MAIN(TestCheckerPlacement)
#include "tst_checkerplacement.moc"
