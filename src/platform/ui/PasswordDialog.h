#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// The "Enter Password" dialog a check shows for an account whose password is not saved.
// Its layout is fixed in pixels; the widgets carry object names so tests can drive it.
class PasswordDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char *DialogName = "PasswordDialog";
    static constexpr const char *PromptName = "PasswordPrompt";
    static constexpr const char *EditName = "PasswordEdit";
    static constexpr const char *OkName = "PasswordOk";
    static constexpr const char *CancelName = "PasswordCancel";

    explicit PasswordDialog(const QString &prompt, QWidget *parent = nullptr);

    QString text() const;

    // Shows the dialog modally; the text on "OK" (possibly empty), nothing on "Cancel" or close.
    static std::optional<QString> ask(const QString &prompt);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void centreOnScreen();

    QLabel *m_prompt = nullptr;
    QLineEdit *m_edit = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};
