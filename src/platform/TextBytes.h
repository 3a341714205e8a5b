#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Bytes kept as they came (from a server or the settings file) and the text shown for them.
namespace TextBytes {

// UTF-8, or Latin-1 where the bytes are not valid UTF-8, so every byte shows as a character.
QString toText(QByteArrayView bytes);

// What to keep after `stored` was shown (as toText) for editing and `edited` came back: the
// stored bytes while the text is unchanged, otherwise the edited text in UTF-8.
QByteArray fromEdit(const QByteArray &stored, const QString &edited);

} // namespace TextBytes
