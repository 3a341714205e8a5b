#include "RecordingSoundPlayer.h"

#include <QFileInfo>

RecordingSoundPlayer::RecordingSoundPlayer()
{
    SoundPlayer::setInstance(this);
}

RecordingSoundPlayer::~RecordingSoundPlayer()
{
    if (&SoundPlayer::instance() == this)
        SoundPlayer::setInstance(nullptr);
}

bool RecordingSoundPlayer::playToEnd(const QString &fileName)
{
    m_plays << fileName;
    if (m_result)
        return *m_result;
    return QFileInfo(fileName).isFile();
}
