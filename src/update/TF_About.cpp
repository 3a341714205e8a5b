#include "update/TF_About.h"

#include "ui_TF_About.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

TF_About::TF_About(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TF_About>())
{
    ui->setupUi(this);
    ui->Version->setText(QStringLiteral("Version %1").arg(QStringLiteral(VORLO_VERSION)));
    const QString page = QString::fromLatin1(HomePage);
    ui->HomePage->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(page.toHtmlEscaped()));
    ui->HomePage->setToolTip(page);
    closeButton()->setObjectName(QStringLiteral("CloseButton"));
    connect(ui->HomePage, &QLabel::linkActivated, this, &TF_About::openHomePage);
    connect(ui->Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TF_About::~TF_About() = default;

QAbstractButton *TF_About::closeButton() const
{
    return ui->Buttons->button(QDialogButtonBox::Close);
}

void TF_About::showEvent(QShowEvent *event)
{
    // The program's own icon, set once the desktop parts exist.
    ui->Picture->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    QDialog::showEvent(event);
}

void TF_About::openHomePage(const QString &link)
{
    // The desktop's browser; nothing is shown when there is none.
    QDesktopServices::openUrl(QUrl(link));
}
