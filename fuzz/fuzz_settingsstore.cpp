// The settings store opened on a file of any bytes, as a hand-edited or damaged file would be:
// it opens (a file that is not a JSON object is kept aside, never lost), each value reads as
// its type or fails with the type error, and what is written reads back the same.
#include "fuzzcheck.h"
#include "link/portsettings.h"
#include "platform/korvanterror.h"
#include "platform/settingsstore.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList stringNames{u"Port"_s,     u"Baud"_s,      u"Stop"_s,
                              u"Data"_s,     u"Parity"_s,    u"FlowControl"_s,
                              u"StyleVSF"_s, u"DefaultCV"_s, u"Version"_s};
const QStringList integerNames{u"ReadInterval"_s, u"ReadTotalConstant"_s, u"TXProtocol"_s,
                               u"BufferIn"_s,     u"ShowSelection"_s,     u"SpecialDirect"_s};

void readEverything(const SettingsStore &store)
{
    for (const QString &name : stringNames) {
        try {
            const QString value = store.readString(name);
            PortSettings::baudRateFromName(value);
            PortSettings::stopBitsFromName(value);
            PortSettings::dataBitsFromName(value);
            PortSettings::parityFromName(value);
            PortSettings::flowControlFromName(value);
        } catch (const KorvantError &e) {
            FUZZ_CHECK(e.message() == u"Invalid data type for '%1'"_s.arg(name));
        }
    }
    for (const QString &name : integerNames) {
        try {
            store.readInteger(name);
            store.readBool(name);
        } catch (const KorvantError &e) {
            FUZZ_CHECK(e.message() == u"Invalid data type for '%1'"_s.arg(name));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(u"Korvant.json"_s);
    QFile::remove(path);
    QFile::remove(path + u".bad"_s);
    const QByteArrayView bytes = Fuzz::bytes(data, size);
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) &&
                   file.write(bytes.toByteArray()) == bytes.size());
    }

    SettingsStore store;
    store.setPath(path);
    FUZZ_CHECK(store.openKey());
    if (!store.keptAsideNotice().isEmpty()) {
        QFile aside(path + u".bad"_s);
        FUZZ_CHECK(aside.open(QIODevice::ReadOnly) && aside.readAll() == bytes);
    }
    readEverything(store);
    store.writeString(u"port"_s, u"ttyUSB0"_s);
    store.writeInteger(u"BUFFERIN"_s, 4096);
    store.closeKey();

    SettingsStore again;
    again.setPath(path);
    FUZZ_CHECK(again.openKey());
    FUZZ_CHECK(again.keptAsideNotice().isEmpty());
    FUZZ_CHECK(again.readString(u"Port"_s) == u"ttyUSB0"_s);
    FUZZ_CHECK(again.readInteger(u"BufferIn"_s) == 4096);
    readEverything(again);
    again.closeKey();
    return 0;
}
