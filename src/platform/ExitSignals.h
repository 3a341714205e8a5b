#pragma once

#include <QObject>

// Turns the operating system's requests to end the program (SIGTERM, SIGINT here; the end
// of the logon on Windows) into one Qt signal delivered in the event loop.
class ExitSignals : public QObject
{
    Q_OBJECT
public:
    explicit ExitSignals(QObject *parent = nullptr);
    ~ExitSignals() override;

signals:
    void exitRequested();

private:
    struct Private;
    Private *d = nullptr;
};
