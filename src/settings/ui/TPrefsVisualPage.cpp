#include "settings/ui/TPrefsVisualPage.h"

#include "ui_TF_Prefs.h"

#include "core/ui/TF_CheckerWindow.h"
#include "core/TSilent.h"
#include "platform/UserPrompts.h"
#include "settings/ui/TColorPanel.h"
#include "settings/ui/TF_Prefs.h"

TPrefsVisualPage::TPrefsVisualPage(TF_Prefs &dialog) : m_dialog(dialog), m_ui(dialog.ui())
{
    TCheckerMetrics &m = w().Metrics;
    const QList<std::pair<QSlider *, qint32 *>> metrics = {{m_ui.TrackBar2, &m.CheckerHeight},
                                                           {m_ui.TrackBar3, &m.CheckerWidth},
                                                           {m_ui.TrackBar4, &m.VSpace},
                                                           {m_ui.TrackBar5, &m.HSpace},
                                                           {m_ui.TrackBar6, &m.FontSize}};
    for (const auto &pair : metrics) {
        QSlider *slider = pair.first;
        qint32 *metric = pair.second;
        connect(slider, &QSlider::valueChanged, this,
                [this, slider, metric] { runSilently([&] { metricChanged(slider, *metric); }); });
    }

    auto bind = [this](auto *sender, auto signal, void (TPrefsVisualPage::*handler)()) {
        connect(sender, signal, this, [this, handler] { runSilently([&] { (this->*handler)(); }); });
    };
    bind(m_ui.ResetMetrics, &QPushButton::clicked, &TPrefsVisualPage::ResetMetricsClick);
    bind(m_ui.AlphaCheckBox, &QCheckBox::toggled, &TPrefsVisualPage::AlphaCheckBoxClick);
    bind(m_ui.AlphaSlider, &QSlider::valueChanged, &TPrefsVisualPage::AlphaSliderChange);
    bind(m_ui.CheckBox8, &QCheckBox::toggled, &TPrefsVisualPage::ColorPickerEnabled);
    bind(m_ui.ResetColorsButton, &QPushButton::clicked, &TPrefsVisualPage::ResetColorsButtonClick);
    for (TColorPanel *panel : {m_ui.CBack, m_ui.CActive, m_ui.CBlink, m_ui.CIdle, m_ui.CFont, m_ui.CError})
        connect(panel, &TColorPanel::clicked, this, [this, panel] { runSilently([&] { colorPanelClick(panel); }); });
}

TF_CheckerWindow &TPrefsVisualPage::w() const
{
    return m_dialog.checker();
}

void TPrefsVisualPage::metricChanged(QSlider *slider, qint32 &metric)
{
    metric = slider->value();
    w().EShowTest();
}

void TPrefsVisualPage::ResetMetricsClick()
{
    // Not the defaults of a missing "Metrics" section: a slimmer window.
    m_ui.TrackBar2->setValue(18);
    m_ui.TrackBar3->setValue(20);
    m_ui.TrackBar4->setValue(8);
    m_ui.TrackBar5->setValue(4);
    m_ui.TrackBar6->setValue(8);
    w().EShowTest();
}

void TPrefsVisualPage::CButtonsUpdate()
{
    const TCheckerColors &c = w().Colors;
    m_ui.CBack->setColorValue(c.Back);
    m_ui.CFont->setColorValue(c.Font);
    m_ui.CActive->setColorValue(c.Active);
    m_ui.CIdle->setColorValue(c.Idle);
    m_ui.CBlink->setColorValue(c.Connected);
    m_ui.CError->setColorValue(c.Error);
    const bool offered = w().transparencyOffered();
    m_ui.AlphaCheckBox->setEnabled(offered);
    m_ui.AlphaSlider->setEnabled(offered && m_ui.AlphaCheckBox->isChecked());
    ColorPickerEnabled();
}

void TPrefsVisualPage::ColorPickerEnabled()
{
    const bool custom = !m_ui.CheckBox8->isChecked();
    for (QWidget *control : QList<QWidget *>{m_ui.CBack, m_ui.CActive, m_ui.CBlink, m_ui.CIdle, m_ui.CFont,
                                             m_ui.CError, m_ui.LabelCBack, m_ui.LabelCActive, m_ui.LabelCBlink,
                                             m_ui.LabelCIdle, m_ui.LabelCFont, m_ui.LabelCError,
                                             m_ui.ResetColorsButton})
        control->setEnabled(custom);
}

void TPrefsVisualPage::AlphaCheckBoxClick()
{
    const bool on = m_ui.AlphaCheckBox->isChecked();
    m_ui.AlphaSlider->setEnabled(on && w().transparencyOffered());
    m_ui.AlphaSlider->setValue(on ? w().Options.TransparencyValue : 255);
}

void TPrefsVisualPage::AlphaSliderChange()
{
    w().previewTransparency(m_ui.AlphaSlider->value());
}

void TPrefsVisualPage::colorPanelClick(TColorPanel *panel)
{
    if (m_ui.CheckBox8->isChecked())
        m_ui.CheckBox8->setChecked(false);
    const std::optional<QColor> chosen = UserPrompts::instance().color(&m_dialog, panel->color());
    if (chosen && chosen->isValid())
        panel->setColorValue(TColorPanel::valueOf(*chosen));
    UpdateCustomColors();
    w().SaveCustomColors();
    w().SetColorSet();
}

void TPrefsVisualPage::UpdateCustomColors()
{
    TCheckerColors &c = w().Colors;
    c.Back = m_ui.CBack->colorValue();
    c.Active = m_ui.CActive->colorValue();
    c.Connected = m_ui.CBlink->colorValue();
    c.Idle = m_ui.CIdle->colorValue();
    c.Font = m_ui.CFont->colorValue();
    c.Error = m_ui.CError->colorValue();
    c.BorderSize = 0;
    // The window shows the custom set from now on, and the next save says so.
    c.UsesBlueSet = true;
}

void TPrefsVisualPage::ResetColorsButtonClick()
{
    w().Colors = TCheckerColors::blueDefaults();
    w().SetColorSet();
    w().SaveCustomColors();
    CButtonsUpdate();
}
