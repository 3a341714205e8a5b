#include "desktop/TAgBlend.h"

#include "core/ui/TF_CheckerWindow.h"

#include <QWidget>

TAgBlend::TAgBlend(QWidget *owner) : QObject(owner), m_owner(owner)
{
}

void TAgBlend::setActive(bool on)
{
    m_active = on;
    if (on)
        applyBlend();
    else
        setWindowAlpha(255);
}

void TAgBlend::setBlendType(TBlendType type)
{
    m_blendType = type;
    if (m_active)
        applyBlend();
}

void TAgBlend::setOpacity(int value)
{
    m_opacity = qBound(0, value, 255);
    if (m_active)
        applyBlend();
}

void TAgBlend::setTransparentColor(quint32 color)
{
    m_transparentColor = color;
    if (m_active)
        applyBlend();
}

void TAgBlend::applyBlend()
{
    m_active = true;
    // Only the whole-window alpha exists here; a colour key leaves the window opaque.
    setWindowAlpha(m_blendType == TBlendType::Alpha ? m_opacity : 255);
}

void TAgBlend::prepareWindow()
{
    m_prepared = true;
    if (m_active)
        applyBlend();
    else
        setWindowAlpha(255);
}

void TAgBlend::setWindowAlpha(int alpha)
{
    // Before the window is prepared the system call has no effect.
    if (!m_prepared || !m_owner)
        return;
    m_owner->setWindowOpacity(alpha / 255.0);
}

void TAgBlend::apply()
{
    auto *checker = qobject_cast<TF_CheckerWindow *>(m_owner.data());
    if (!checker) {
        applyBlend();
        return;
    }
    if (checker->Options.Transparency)
        setActive(true);
    setBlendType(TBlendType::Alpha);
    setOpacity(checker->wantedOpacity());
    prepareWindow();
}
