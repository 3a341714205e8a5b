#pragma once

#include "core/ui/TFormHooks.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

// See-through windows: makes its owner window partly transparent through the window opacity
// the windowing system offers. Until the owner's window is prepared, settings are only stored.
class TAgBlend : public QObject, public ITransparency
{
    Q_OBJECT
public:
    enum class TBlendType {
        ColorKey, // pixels of TransparentColor see-through: no such facility here, the window stays opaque
        Alpha,    // the whole window takes Opacity
        Opaque,
    };

    explicit TAgBlend(QWidget *owner);

    bool Active() const { return m_active; }
    void setActive(bool on);
    TBlendType BlendType() const { return m_blendType; }
    void setBlendType(TBlendType type);
    // 0 invisible .. 255 opaque; values outside are clamped.
    int Opacity() const { return m_opacity; }
    void setOpacity(int value);
    quint32 TransparentColor() const { return m_transparentColor; }
    void setTransparentColor(quint32 color);

    // Switches the effect on and hands the settings to the window.
    void applyBlend();
    // Makes the owner's window able to blend, then applies the effect, or makes it opaque.
    void prepareWindow();
    bool isPrepared() const { return m_prepared; }

    // ITransparency. Owned by the checker window: its apply step once transparency is offered.
    // The effect turns on when the "Transparency" setting is on, never off; the window takes the
    // opacity the checker window asks for (its saved value, or the preference page's preview).
    // Owned by any other window: the same as applyBlend().
    void apply() override;

    QWidget *owner() const { return m_owner; }

private:
    void setWindowAlpha(int alpha);

    QPointer<QWidget> m_owner;
    bool m_active = false;
    bool m_prepared = false;
    TBlendType m_blendType = TBlendType::ColorKey;
    int m_opacity = 255;
    quint32 m_transparentColor = 0;
};
