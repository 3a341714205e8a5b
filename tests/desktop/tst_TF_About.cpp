// The about box: name, version, the program's picture, the home page link and the close button.
#include "desktop/TTrayPictures.h"
#include "update/TF_About.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QUrl>
#include <QtTest>

// Catches what the about box asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void content();
    void homePageLink();
    void closes();
};

void TestAbout::content()
{
    QApplication::setWindowIcon(TTrayPictures::programIcon());
    TF_About about;
    QCOMPARE(about.objectName(), QStringLiteral("F_About"));
    about.show();
    QVERIFY(about.findChild<QLabel *>(QStringLiteral("ProgramName"))->text().contains(QStringLiteral("Vorlo")));
    QCOMPARE(about.findChild<QLabel *>(QStringLiteral("Version"))->text(),
             QStringLiteral("Version ") + QStringLiteral(VORLO_VERSION));
    QVERIFY(!QStringLiteral(VORLO_VERSION).isEmpty());
    const QLabel *picture = about.findChild<QLabel *>(QStringLiteral("Picture"));
    QCOMPARE(picture->pixmap().size(), QSize(64, 64));
    QCOMPARE(picture->pixmap().toImage(), TTrayPictures::render(7, 64).toImage());
}

void TestAbout::homePageLink()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    TF_About about;
    auto *link = about.findChild<QLabel *>(QStringLiteral("HomePage"));
    QVERIFY(link->text().contains(QLatin1String(TF_About::HomePage)));
    QCOMPARE(QLatin1String(TF_About::HomePage), QLatin1String("https://vorlo.example.org/"));
    emit link->linkActivated(QString::fromLatin1(TF_About::HomePage));
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("https://vorlo.example.org/"))});
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestAbout::closes()
{
    TF_About about;
    about.show();
    QVERIFY(about.isVisible());
    QAbstractButton *close = about.closeButton();
    QCOMPARE(close->objectName(), QStringLiteral("CloseButton"));
    close->click();
    QVERIFY(about.isHidden());
}

QTEST_MAIN(TestAbout)
#include "tst_TF_About.moc"
