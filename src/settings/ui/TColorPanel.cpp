#include "settings/ui/TColorPanel.h"

#include "core/ui/TCheckerColors.h"

#include <QMouseEvent>

TColorPanel::TColorPanel(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    setColorValue(0);
}

void TColorPanel::setColorValue(quint32 value)
{
    m_value = value;
    QPalette p = palette();
    p.setColor(QPalette::Window, TCheckerColors::toQColor(value));
    setPalette(p);
    update();
}

QColor TColorPanel::color() const
{
    return TCheckerColors::toQColor(m_value);
}

quint32 TColorPanel::valueOf(const QColor &color)
{
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

void TColorPanel::mouseReleaseEvent(QMouseEvent *event)
{
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
