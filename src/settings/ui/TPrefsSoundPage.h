#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QButtonGroup;
class QLabel;
class TF_Prefs;
class TF_CheckerWindow;
namespace Ui {
class TF_Prefs;
}

// The "Sound" page: which accounts may play sounds, the two sound files with their browse and
// test buttons, and when sounds are played.
class TPrefsSoundPage : public QObject
{
    Q_OBJECT
public:
    explicit TPrefsSoundPage(TF_Prefs &dialog);

    // Lists every account, checked where its "Sound" is on.
    void TabSheet6Show();
    // Each account's "Sound" takes the check mark of its line.
    void TabSheet6Hide();
    void BitBtn1Click(); // browse for the incoming sound
    void BitBtn2Click(); // play it
    void BitBtn3Click(); // browse for the mail count sound
    void BitBtn4Click(); // play it
    // "Playing Sound": the choice is the setting the check cycle plays by, at once.
    void setItemIndex(int index);
    int itemIndex() const;
    // The two labels show the file name parts of the sound settings.
    void showFileNames();

private:
    TF_CheckerWindow &w() const;
    void browse(QString &dialogFile, QByteArray &setting, QLabel *label);
    void play(const QString &fileName);

    TF_Prefs &m_dialog;
    Ui::TF_Prefs &m_ui;
    QButtonGroup *m_playing = nullptr;
    // What each file dialog holds after its last use.
    QString m_openDialog1File;
    QString m_openDialog2File;
};
