#pragma once

#include "platform/UserPrompts.h"

#include <QList>
#include <QObject>
#include <variant>

// Opens held password questions: they wait for its signal.
class PasswordGate : public QObject
{
    Q_OBJECT
signals:
    void opened();
};

// Answers every prompt from a queue filled by the test and records what was asked.
// A prompt whose queued answer is missing or of the wrong kind is answered as cancelled
// (Cancel or No where offered) and counted in unexpected().
class ScriptedUserPrompts : public UserPrompts
{
public:
    enum class Kind { Message, Input, Password, OpenFile, Color };

    struct Question {
        Kind kind = Kind::Message;
        QString caption;     // message, input, open file
        QString text;        // message text, input label, password prompt
        Icon icon = Icon::None;
        QList<Button> buttons;
        QString initial;     // input's initial text, open file's directory
        QString filter;      // open file
        QColor initialColor; // color
    };

    // Installs itself as UserPrompts::instance() for its lifetime (the real dialogs return after).
    ScriptedUserPrompts();
    ~ScriptedUserPrompts() override;

    void answerButton(Button button);
    // For input, password and open file.
    void answerText(const QString &text);
    void answerColor(const QColor &color);
    // For input, password, open file and color: the user cancels.
    void answerCancel();
    // From now on a check's password question stays open, its check suspended, until
    // releasePasswords(); then each takes its queued answer.
    void holdPasswords() { m_holding = true; }
    void releasePasswords();

    const QList<Question> &asked() const { return m_asked; }
    qsizetype pendingAnswers() const { return m_answers.size(); }
    int unexpected() const { return m_unexpected; }
    void clear();

    Button message(QWidget *parent, const QString &caption, const QString &text, Icon icon,
                   const QList<Button> &buttons) override;
    std::optional<QString> input(QWidget *parent, const QString &caption, const QString &label,
                                 const QString &initial) override;
    std::optional<QString> password(const QString &prompt) override;
    QCoro::Task<std::optional<QString>> askPassword(const QString &prompt) override;
    std::optional<QString> openFile(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter) override;
    std::optional<QColor> color(QWidget *parent, const QColor &initial) override;

private:
    struct Cancel {};
    using Answer = std::variant<Button, QString, QColor, Cancel>;

    std::optional<Answer> next();
    std::optional<QString> textAnswer();

    QList<Answer> m_answers;
    QList<Question> m_asked;
    int m_unexpected = 0;
    bool m_holding = false;
    PasswordGate m_gate;
};
