#pragma once

#include <QApplication>

// The application object. An error that escapes any event handler is discarded here without
// a word, so a failing command or timer never ends the program or shows a box.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
