#pragma once

#include "platform/UserPrompts.h"

// The real prompts: Qt's standard dialogs, shown modally.
class DialogPrompts : public UserPrompts
{
public:
    Button message(QWidget *parent, const QString &caption, const QString &text, Icon icon,
                   const QList<Button> &buttons) override;
    std::optional<QString> input(QWidget *parent, const QString &caption, const QString &label,
                                 const QString &initial) override;
    std::optional<QString> password(const QString &prompt) override;
    // Shows the dialog window-modal and suspends until it closes: no nested loop.
    QCoro::Task<std::optional<QString>> askPassword(const QString &prompt) override;
    // `filter` is either Qt's form ("Sounds (*.wav);;All (*)") or pairs of description and
    // pattern separated by "|" ("Wave-Datei|*.wav"), which is turned into Qt's form.
    std::optional<QString> openFile(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter) override;
    std::optional<QColor> color(QWidget *parent, const QColor &initial) override;

    // Makes the real dialogs the program's default prompts (once, for the whole process).
    static void install();

    // The "|" filter form converted for QFileDialog; other text is returned unchanged.
    static QString qtFileFilter(const QString &filter);
};
