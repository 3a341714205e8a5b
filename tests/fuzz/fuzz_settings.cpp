// The settings file: the input is a file on disk; a few reads, then a write that must read
// back the same, from the same object and from a fresh one reading the file.
#include "FuzzInput.h"
#include "platform/GeneralError.h"
#include "settings/TIniFile.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One directory for the whole run: tools/fuzz points TMPDIR at memory.
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vorlo.ini"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }

    TIniFile ini(path);
    ini.readString("Options", "Frequency", "x");
    ini.readInteger("Accounts", "Count", 0);
    ini.readBool("Options", "Sound", false);
    ini.sectionExists("Account1");
    FUZZ_CHECK(ini.readString("Account1", "Password", {}).size() <= 2047);

    const QByteArray value = "v=\"1\" [x] ;y";
    try {
        ini.writeString("Account1", "Password", value);
        ini.writeString("Fuzz", "Key", value);
    } catch (const EGeneralError &) {
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(ini.readString("Account1", "Password", {}) == value);
    FUZZ_CHECK(ini.readString("Fuzz", "Key", {}) == value);
    const TIniFile again(path);
    FUZZ_CHECK(again.readString("Account1", "Password", {}) == value);
    FUZZ_CHECK(again.readString("Fuzz", "Key", {}) == value);
    return 0;
}
