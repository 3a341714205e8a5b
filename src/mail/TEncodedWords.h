#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Header text as the user reads it: "=?charset?B|Q?text?=" encoded words decoded in any charset
// Qt can convert, the whitespace between adjacent encoded words dropped, folded lines joined,
// and the rest read as UTF-8 (Latin-1 where it is not valid UTF-8). Display only: the summary
// lists, the filters and the log keep the raw bytes.
//
// A word that cannot be decoded (unknown charset, unknown encoding, broken Base64 or Q text,
// bytes that are invalid in its charset) is shown exactly as written, with the whitespace
// around it kept.
class TEncodedWords
{
public:
    static QString decode(QByteArrayView header);

    // Raw bytes as text: UTF-8 when valid, else Latin-1 (which never fails).
    static QString bytesToText(QByteArrayView bytes);
};
