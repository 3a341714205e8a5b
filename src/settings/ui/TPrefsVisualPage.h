#pragma once

#include <QList>
#include <QObject>

class QSlider;
class TColorPanel;
class TF_Prefs;
class TF_CheckerWindow;
namespace Ui {
class TF_Prefs;
}

// The "Visual Appearance" page: the checker window's sizes (laid out again at once), the
// transparency with its live preview, and the custom colours (applied and written at once).
class TPrefsVisualPage : public QObject
{
    Q_OBJECT
public:
    explicit TPrefsVisualPage(TF_Prefs &dialog);

    // The page's show handler: colour panels from the colours in use, transparency controls.
    void CButtonsUpdate();
    // "Use Windows Colors": the custom colour controls are enabled exactly while it is unchecked.
    void ColorPickerEnabled();
    void ResetMetricsClick();
    void AlphaCheckBoxClick();
    void AlphaSliderChange();
    // A colour panel was clicked: the colour dialog, then the six panels become the custom set.
    void colorPanelClick(TColorPanel *panel);
    void UpdateCustomColors();
    void ResetColorsButtonClick();

private:
    TF_CheckerWindow &w() const;
    void metricChanged(QSlider *slider, qint32 &metric);

    TF_Prefs &m_dialog;
    Ui::TF_Prefs &m_ui;
};
