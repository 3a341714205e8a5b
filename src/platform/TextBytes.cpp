#include "platform/TextBytes.h"

QString TextBytes::toText(QByteArrayView bytes)
{
    return bytes.isValidUtf8() ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

QByteArray TextBytes::fromEdit(const QByteArray &stored, const QString &edited)
{
    return edited == toText(stored) ? stored : edited.toUtf8();
}
