#include "settings/ui/TPrefsSoundPage.h"

#include "ui_TF_Prefs.h"

#include "core/ui/TF_CheckerWindow.h"
#include "core/TSilent.h"
#include "platform/SoundPlayer.h"
#include "platform/TextBytes.h"
#include "platform/UserPrompts.h"
#include "settings/ui/TF_Prefs.h"
#include "platform/Log.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QPointer>
#include <QStyle>

TPrefsSoundPage::TPrefsSoundPage(TF_Prefs &dialog) : m_dialog(dialog), m_ui(dialog.ui())
{
    m_playing = new QButtonGroup(this);
    m_playing->addButton(m_ui.RadioGroup2Item0, 0);
    m_playing->addButton(m_ui.RadioGroup2Item1, 1);
    m_playing->addButton(m_ui.RadioGroup2Item2, 2);
    m_playing->addButton(m_ui.RadioGroup2Item3, 3);
    connect(m_playing, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            w().Options.SoundItemIndex = id;
    });

    const QIcon browseIcon = m_dialog.style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon playIcon = m_dialog.style()->standardIcon(QStyle::SP_MediaPlay);
    m_ui.BitBtn1->setIcon(browseIcon);
    m_ui.BitBtn3->setIcon(browseIcon);
    m_ui.BitBtn2->setIcon(playIcon);
    m_ui.BitBtn4->setIcon(playIcon);
    auto bind = [this](QAbstractButton *button, void (TPrefsSoundPage::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, [this, handler] { runSilently([&] { (this->*handler)(); }); });
    };
    bind(m_ui.BitBtn1, &TPrefsSoundPage::BitBtn1Click);
    bind(m_ui.BitBtn2, &TPrefsSoundPage::BitBtn2Click);
    bind(m_ui.BitBtn3, &TPrefsSoundPage::BitBtn3Click);
    bind(m_ui.BitBtn4, &TPrefsSoundPage::BitBtn4Click);
}

TF_CheckerWindow &TPrefsSoundPage::w() const
{
    return m_dialog.checker();
}

void TPrefsSoundPage::TabSheet6Show()
{
    m_ui.CheckListBox1->clear();
    for (qint32 n = 1; n <= w().Accounts.AccountCount; ++n) {
        auto *item = new QListWidgetItem(TextBytes::toText(w().Accounts.data(n).Name));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(w().Accounts.data(n).Sound ? Qt::Checked : Qt::Unchecked);
        m_ui.CheckListBox1->addItem(item);
    }
}

void TPrefsSoundPage::TabSheet6Hide()
{
    const int lines = qMin(m_ui.CheckListBox1->count(), int(w().Accounts.AccountCount));
    for (int i = 0; i < lines; ++i)
        w().Accounts.data(i + 1).Sound = m_ui.CheckListBox1->item(i)->checkState() == Qt::Checked;
}

void TPrefsSoundPage::setItemIndex(int index)
{
    if (QAbstractButton *button = m_playing->button(index))
        button->setChecked(true);
}

int TPrefsSoundPage::itemIndex() const
{
    return m_playing->checkedId();
}

void TPrefsSoundPage::showFileNames()
{
    m_ui.Label22->setText(QFileInfo(TextBytes::toText(w().Options.IncomingSound)).fileName());
    m_ui.Label28->setText(QFileInfo(TextBytes::toText(w().Options.MailCountSound)).fileName());
}

void TPrefsSoundPage::browse(QString &dialogFile, QByteArray &setting, QLabel *label)
{
    const QString start = !dialogFile.isEmpty() ? dialogFile : TextBytes::toText(setting);
    const std::optional<QString> chosen =
        UserPrompts::instance().openFile(&m_dialog, QStringLiteral("New Mail Sound"),
                                         start.isEmpty() ? QString() : QFileInfo(start).path(),
                                         QStringLiteral("Wave-Datei (*.wav)"));
    if (chosen)
        dialogFile = *chosen;
    // A typed name that names no file leaves the sound as it was.
    if (!dialogFile.isEmpty() && QFileInfo(dialogFile).isFile())
        setting = dialogFile.toUtf8();
    label->setText(QFileInfo(TextBytes::toText(setting)).fileName());
}

void TPrefsSoundPage::BitBtn1Click()
{
    browse(m_openDialog1File, w().Options.IncomingSound, m_ui.Label22);
}

void TPrefsSoundPage::BitBtn3Click()
{
    browse(m_openDialog2File, w().Options.MailCountSound, m_ui.Label28);
}

void TPrefsSoundPage::play(const QString &fileName)
{
    // The dialog is blocked while the sound plays; the wait runs the event loop.
    QPointer<TF_Prefs> dialog(&m_dialog);
    m_dialog.setEnabled(false);
    bool played = false;
    try {
        played = SoundPlayer::instance().playToEnd(fileName);
    } catch (...) {
        qCDebug(lcSound) << "play failed:" << Log::currentError();
        played = false;
    }
    if (!dialog)
        return;
    m_dialog.setEnabled(true);
    if (!played)
        UserPrompts::instance().message(&m_dialog, QStringLiteral("Error"),
                                        QStringLiteral("Sound File Could not be Played"),
                                        UserPrompts::Icon::Critical, {UserPrompts::Button::Ok});
}

void TPrefsSoundPage::BitBtn2Click()
{
    play(TextBytes::toText(w().Options.IncomingSound));
}

void TPrefsSoundPage::BitBtn4Click()
{
    play(TextBytes::toText(w().Options.MailCountSound));
}
