#include "update/TF_Update.h"

#include "platform/CommandLines.h"
#include "platform/DefaultHandlers.h"
#include "platform/ProcessLauncher.h"
#include "platform/UserPrompts.h"
#include "update/UpdateSite.h"

#include "ui_TF_Update.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace {

const char *const InformationLines[] = {
    "Click on the <Check Now> button, and Vorlo will automatically find out, if there ",
    "is a newer version of this program available. The <News and Updates> box below will then ",
    "show the latest information on your Vorlo Version; i.e. if there already exists a ",
    "new version or other important news that might interest you. ",
    "",
    "Clicking on the button however, will NOT download any components. For the lastest ",
    "downloads, please visit the Vorlo homepage.",
    "",
    "Note that you have to be connected to the internet when you press the <Check Now> button! ",
    "",
    "You may not be able to use this feature if you can access http only through a proxy server.",
};


void useMenuColour(QWidget *memo)
{
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    memo->setPalette(palette);
}

} // namespace

TF_Update::TF_Update(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TF_Update>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                   | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(551, 351);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    for (const char *line : InformationLines)
        ui->Memo2->appendPlainText(QString::fromLatin1(line));
    ui->Memo2->moveCursor(QTextCursor::Start);
    useMenuColour(ui->Memo1);
    useMenuColour(ui->Memo2);

    m_http = new TNMHTTP(this);
    m_http->setObjectName(QStringLiteral("NMHTTP1"));
    m_http->Port = 80;
    m_http->ReportLevel = 0;
    m_http->Body = "Default.htm";
    m_http->Header = "Head.txt";
    m_http->HeaderInfo.LocalProgram = "Vorlo";
    m_http->HeaderInfo.Referer = "Vorlo";
    m_http->InputFileMode = false;
    m_http->OutputFileMode = false;
    m_http->ProxyPort = 0;
    m_http->TimeOut = RequestTimeOut;
    m_http->OnFailure = [this](CmdType cmd) { NMHTTP1Failure(cmd); };

    connect(ui->Button1, &QPushButton::clicked, this, &TF_Update::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TF_Update::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &TF_Update::Button3Click);
}

TF_Update::~TF_Update()
{
    if (!m_http)
        return;
    m_http->OnFailure = nullptr;
    if (m_http->Busy()) {
        // The request's wait is still on the stack below us: cancel it and let it unwind
        // on a live component, which goes afterwards (or with the application at the end).
        m_http->setParent(QCoreApplication::instance());
        m_http->Abort();
        m_http->deleteLater();
    }
}

void TF_Update::addLine(const QString &line)
{
    ui->Memo1->appendPlainText(line);
}

void TF_Update::addText(const QByteArray &text)
{
    // One addition whose line breaks (CR LF, LF or CR) become lines; a final break ends the
    // last line rather than starting an empty one.
    QString shown = TPowersock::displayText(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    addLine(shown);
}

void TF_Update::tell(const QString &text)
{
    UserPrompts::instance().message(this, QStringLiteral("Vorlo"), text, UserPrompts::Icon::None,
                                    {UserPrompts::Button::Ok});
}

QCoro::Task<> TF_Update::Button1Click()
{
    // One request at a time: a second one would tear down the connection of the first.
    if (m_checking || !m_http)
        co_return;
    QPointer<TF_Update> self(this);
    m_checking = true;
    m_failed = false;
    ui->Button1->setEnabled(false);
    ui->Memo1->clear();
    addLine(QStringLiteral("Connecting..."));
    addLine(QStringLiteral("This could take a few seconds"));
    bool ok = true;
    try {
        m_http->HeaderInfo.Referer = UpdateSite::VersionTag;
        co_await m_http->Get(UpdateSite::noticeUrl());
    } catch (...) {
        ok = false;
        qCDebug(lcNet) << "update notice not read:" << Log::currentError();
    }
    if (!self)
        co_return;
    if (!ok) {
        ui->Memo1->clear();
        addLine(QStringLiteral("Connection failed"));
    } else if (!m_failed) {
        // An error status keeps "Connection failed": its body is a server's error page,
        // not a notice.
        ui->Memo1->clear();
        addText(m_http->Body);
    }
    m_checking = false;
    ui->Button1->setEnabled(true);
}

void TF_Update::NMHTTP1Failure(CmdType)
{
    m_failed = true;
    ui->Memo1->clear();
    addLine(QStringLiteral("Connection failed"));
}

void TF_Update::Button2Click()
{
    hide();
}

QString TF_Update::DefaultBrowser()
{
    QString path;
    try {
        path = CommandLines::programOf(DefaultHandlers::instance().openCommand(QStringLiteral("http")));
    } catch (...) {
        qCDebug(lcUi) << "default browser not found:" << Log::currentError();
        path.clear();
    }
    if (path.isEmpty())
        tell(QStringLiteral("Default browser cound not be determined\rPlease start your browser manually and visit ")
             + QLatin1String(UpdateSite::HomePage));
    return path;
}

void TF_Update::Button3Click()
{
    QPointer<TF_Update> self(this);
    const QString argument = QStringLiteral(" \"") + QLatin1String(UpdateSite::HomePage) + QLatin1Char('"');
    // Asked twice, for the directory and for the command, as the user sees: a missing
    // browser is reported for both.
    const QString workingDir = CommandLines::directoryOf(DefaultBrowser());
    if (!self)
        return;
    const QString program = DefaultBrowser();
    if (!self)
        return;
    // Without a browser nothing is started: the home page address is no program.
    if (program.isEmpty() || !ProcessLauncher::instance().start(CommandLines::asWord(program) + argument, workingDir))
        tell(QStringLiteral("Browser could not be started\n\rPlease open your browser manually and go to:\n\r")
             + argument);
}
