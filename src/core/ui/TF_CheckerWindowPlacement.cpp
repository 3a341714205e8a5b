// Where the checker window sits: remembered positions, floating, dragging, show and hide.
#include "core/ui/TF_CheckerWindow.h"

#include "core/ui/TBevel.h"
#include "core/ui/TFormHooks.h"
#include "platform/GeneralError.h"
#include "platform/Platform.h"
#include "settings/TIniFile.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <limits>

void TF_CheckerWindow::readPositions(TIniFile &ini)
{
    const QSize screen = Platform::screenSize();
    Options.defaultX = ini.readInteger("Main", "defaultX", screen.width() - width());
    Options.defaultY = ini.readInteger("Main", "defaultY", screen.height() - height() - 30);
    Options.alternativeX = ini.readInteger("Main", "alternativeX", 1);
    Options.alternativeY = ini.readInteger("Main", "alternativeY", screen.height() - height() - 30);
}

void TF_CheckerWindow::moveToDefault()
{
    move(Options.defaultX, Options.defaultY);
}

void TF_CheckerWindow::FormMouseMove(Qt::KeyboardModifiers shift)
{
    // Ctrl lets the user reach the window, to drag it or open its menu.
    if (shift & Qt::ControlModifier)
        return;
    floatAway();
}

void TF_CheckerWindow::floatAway()
{
    if (!Floating1->isChecked())
        return;
    if (Options.AutoFloat) {
        // At most one float-back is pending: each float restarts it.
        delete m_floatBack;
        m_floatBack = new QTimer(this);
        m_floatBack->setObjectName(QStringLiteral("FloatBackTimer"));
        m_floatBack->setSingleShot(true);
        m_floatBack->setTimerType(Qt::PreciseTimer);
        connect(m_floatBack, &QTimer::timeout, this, &TF_CheckerWindow::floatBackTimerTimer);
        // A hand-edited delay must neither overflow nor go negative.
        m_floatBack->start(qBound(0, Options.Jumpback, std::numeric_limits<int>::max() / 1000) * 1000);
    }
    if (x() == Options.defaultX && y() == Options.defaultY)
        move(Options.alternativeX, Options.alternativeY);
    else
        moveToDefault();
}

void TF_CheckerWindow::floatBackTimerTimer()
{
    if (!Quitting && (x() != Options.defaultX || y() != Options.defaultY))
        moveToDefault();
    if (m_floatBack)
        m_floatBack->stop();
}

bool TF_CheckerWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panel) {
        switch (event->type()) {
        case QEvent::Paint: {
            // The background's colour is filled in by the panel itself; the bevels go on top.
            QPainter p(m_panel);
            TBevel::drawPanel(p, m_panel->rect(), m_panel->property("bevelWidth").toInt(), 1);
            return true;
        }
        case QEvent::MouseMove:
            FormMouseMove(static_cast<QMouseEvent *>(event)->modifiers());
            break;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && windowHandle()) {
                windowHandle()->startSystemMove();
                return true;
            }
            break;
        case QEvent::ContextMenu:
            PopupMenu6->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TF_CheckerWindow::Floating1Click()
{
    // The menu item toggles itself; the dialog's boxes follow it.
    if (m_prefs)
        m_prefs->setFloatingChecked(Floating1->isChecked());
}

void TF_CheckerWindow::AlwaysonTop1Click()
{
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, AlwaysonTop1->isChecked());
    if (wasVisible)
        show();
    if (m_prefs)
        m_prefs->setAlwaysOnTopChecked(AlwaysonTop1->isChecked());
    applyTransparency();
}

void TF_CheckerWindow::default1Click()
{
    Options.defaultX = x();
    Options.defaultY = y();
    if (Options.defaultX == Options.alternativeX && Options.defaultY == Options.alternativeY)
        throw EGeneralError(QStringLiteral("Warning: Default and Alternative Positions are the Same!"));
}

void TF_CheckerWindow::alternate1Click()
{
    Options.alternativeX = x();
    Options.alternativeY = y();
    if (Options.defaultX == Options.alternativeX && Options.defaultY == Options.alternativeY)
        throw EGeneralError(QStringLiteral("Warning: Default and Alternative Positions Are the Same!"));
}

void TF_CheckerWindow::Reset1Click()
{
    const QSize screen = Platform::screenSize();
    Options.defaultX = screen.width() - width();
    Options.defaultY = screen.height() - height() - 30;
    Options.alternativeX = 1;
    Options.alternativeY = screen.height() - height() - 30;
    moveToDefault();
    if (m_mailList)
        m_mailList->resetPosition();
}

void TF_CheckerWindow::CoolTrayIcon1Click(QObject *sender)
{
    if (isHidden()) {
        show();
        Restore1->setText(QStringLiteral("Hide"));
        return;
    }
    if (sender != this)
        Minimize1Click();
    Restore1->setText(QStringLiteral("Show"));
}

void TF_CheckerWindow::Minimize1Click()
{
    if (m_prefs && m_prefs->widget()->isVisible())
        m_prefs->widget()->hide();
    if (isVisible())
        hide();
}

void TF_CheckerWindow::applyTransparency()
{
    // Offered wherever the windowing system can make a window translucent, not only on the one
    // system version the effect first came to; "ForceTransparency" still forces it.
    if (!Platform::transparencyAvailable() && !Options.ForceTransparency)
        return;
    // Tells the preference page that its transparency controls may be enabled (never saved).
    Options.ForceTransparency = true;
    if (m_transparency)
        m_transparency->apply();
}

void TF_CheckerWindow::previewTransparency(qint32 opacity)
{
    m_previewOpacity = qBound(0, opacity, 255);
    applyTransparency();
}

void TF_CheckerWindow::endTransparencyPreview()
{
    m_previewOpacity = -1;
    applyTransparency();
}
