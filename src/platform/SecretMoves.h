#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QString>

#include <functional>

// Moving an account's secret between the settings file and the keyring (SecretStore::keyring()).
// The new place is written first and the old one cleared only after that succeeded, so a
// failure on either side leaves the secret where it was.

// Stores `secret` in the keyring under `key`, then calls `forgetOld` to clear it from the file.
[[nodiscard]] QCoro::Task<> moveToKeyring(QString key, QByteArray secret, std::function<void()> forgetOld);

// Reads the secret under `key` from the keyring and hands it to `keep`, which stores it in the
// file and throws when it cannot; then removes it from the keyring. Returns the secret; nothing
// in the keyring moves as an empty secret.
[[nodiscard]] QCoro::Task<QByteArray> takeFromKeyring(QString key,
                                                      std::function<void(const QByteArray &)> keep);
