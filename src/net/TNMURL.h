#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>

// Form encoding (application/x-www-form-urlencoded) of request data: a blank becomes "+",
// ASCII letters and digits stay, every other byte becomes "%" and two lower-case hex digits.
class TNMURL : public QObject
{
    Q_OBJECT
public:
    using TOnErrorEvent = std::function<void(QObject *sender, const QString &operation, const QString &errMsg)>;

    explicit TNMURL(QObject *parent = nullptr);

    QByteArray InputString;
    // Told when encoding fails ("Error during encode" and the reason).
    TOnErrorEvent OnError;

    // InputString encoded; on failure the input as it is, after OnError.
    QByteArray Encode();

    static QByteArray encode(const QByteArray &text);
};
