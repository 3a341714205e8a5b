#pragma once

#include "net/TNMHTTP.h"

#include <QDialog>
#include <QPointer>
#include <memory>

namespace Ui {
class TF_Update;
}

// The update check: fetches the short notice of the vendor's web server with one GET and
// shows it in Memo1; "Visit Homepage" starts the default browser on the home page. A
// second "Check Now" while a request waits is refused (the button is disabled meanwhile).
// Destroying the dialog while a request waits is safe: the request is cancelled and its
// component goes with deleteLater once the wait has unwound.
class TF_Update : public QDialog
{
    Q_OBJECT
public:
    // Bound of every wait of the request, in ms: a server that never answers ends as a
    // failed check instead of a button that stays disabled.
    static constexpr qint32 RequestTimeOut = 60000;

    explicit TF_Update(QWidget *parent = nullptr);
    ~TF_Update() override;

    QCoro::Task<> Button1Click();   // "Check Now"; ends when the answer is shown
    void Button2Click();   // "Close"
    void Button3Click();   // "Visit Homepage"
    void NMHTTP1Failure(CmdType cmd);

    // The program registered to open http links; empty, after telling the user, when there
    // is none.
    QString DefaultBrowser();

    TNMHTTP *NMHTTP1() const { return m_http; }
    bool Checking() const { return m_checking; }

private:
    void addLine(const QString &line);
    void addText(const QByteArray &text);
    void tell(const QString &text);

    std::unique_ptr<Ui::TF_Update> ui;
    QPointer<TNMHTTP> m_http;
    bool m_checking = false;
    bool m_failed = false;
};
