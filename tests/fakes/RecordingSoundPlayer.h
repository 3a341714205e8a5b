#pragma once

#include "platform/SoundPlayer.h"

#include <QStringList>
#include <optional>

// Records the files it is asked to play, in order. A play succeeds when the file exists,
// unless the test forces a result. Installs itself as SoundPlayer::instance() for its lifetime.
class RecordingSoundPlayer : public SoundPlayer
{
public:
    RecordingSoundPlayer();
    ~RecordingSoundPlayer() override;

    bool playToEnd(const QString &fileName) override;

    void setResult(std::optional<bool> result) { m_result = result; }
    const QStringList &plays() const { return m_plays; }
    void clear() { m_plays.clear(); }

private:
    QStringList m_plays;
    std::optional<bool> m_result;
};
