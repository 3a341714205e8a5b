#pragma once

#include <QObject>
#include <QString>

class TF_Prefs;
class TF_CheckerWindow;
namespace Ui {
class TF_Prefs;
}

// The "Filters" page. The rule list mirrors the filter table line by line; activating a rule
// appends it, unchecking a line removes its rule, both at once (a "Cancel" undoes neither).
class TPrefsFilterEditor : public QObject
{
    Q_OBJECT
public:
    static constexpr int VisibleLines = 5;
    static constexpr int PanelWidth = 400;

    explicit TPrefsFilterEditor(TF_Prefs &dialog);

    // Rebuilds the account list and the rule lines from the tables.
    void FilterTabSheetShow();
    // Validates the sentence and appends its rule.
    void ActivateFilterButtonClick();
    // The unit label after the argument: "kB" for the size conditions.
    void Filter_If_ComboBoxChange();
    // Removes the rule of the first unchecked line.
    void FilterListBoxClickCheck();
    // The list's hint becomes the line under the mouse (its text may be wider than the panel).
    void FilterListBoxMouseMove(int y);
    void ScrollBar1Change();
    void ScrollBar2Change();

    int lineHeight() const { return m_lineHeight; }

    // "If <condition> <argument> and account is <account> then <action>".
    static QString lineText(const QString &condition, const QString &argument, const QString &account,
                            const QString &action);
    // Whether `argument` makes a size rule of `condition` (5, 6 or 7) that can match a mail:
    // a whole number of kB, written as the size list writes it, and no smaller than the least
    // that can match (every mail is at least 1 kB). `least` receives that bound.
    static bool isUsefulSizeArgument(qint32 condition, const QString &argument, qint32 *least = nullptr);
    static bool isSizeCondition(qint32 condition) { return condition >= 5 && condition <= 7; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TF_CheckerWindow &w() const;
    void UpdateFilterScrollBar();
    void addLine(const QString &text);
    QString conditionText(qint32 condition) const;
    QString accountText(qint32 account) const;
    QString actionText(qint32 action) const;

    TF_Prefs &m_dialog;
    Ui::TF_Prefs &m_ui;
    int m_lineHeight = 18;
};
