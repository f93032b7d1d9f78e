#include "platform/settingsstore.h"

#include "platform/atomicsave.h"
#include "platform/jsonnumbers.h"
#include "platform/korvanterror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace {

[[noreturn]] void throwInvalidType(const QString &name)
{
    throw KorvantError(u"Invalid data type for '%1'"_s.arg(name));
}

// Korvant.json.bad, or the first of .bad.1, .bad.2 … not taken: an earlier broken file the user
// may still want is never replaced. Empty when all are taken.
QString asideName(const QString &file)
{
    const QString first = file + u".bad"_s;
    if (!QFileInfo::exists(first))
        return first;
    for (int n = 1; n < 100; ++n) {
        const QString next = first + u'.' + QString::number(n);
        if (!QFileInfo::exists(next))
            return next;
    }
    return {};
}

} // namespace

SettingsStore::~SettingsStore() = default;

QString SettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/Quendrel/Korvant.json"_s;
}

QString SettingsStore::path() const
{
    return m_path.isEmpty() ? defaultPath() : m_path;
}

bool SettingsStore::openKey()
{
    m_values = {};
    m_keptAsideNotice.clear();
    m_openError.clear();
    m_dirty = false;
    const QString file = path();
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        m_openError =
            u"Cannot create the settings folder %1."_s.arg(QFileInfo(file).absolutePath());
        return false;
    }
    QFile in(file);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly)) {
            m_openError = u"Cannot read the settings file %1: %2."_s.arg(file, in.errorString());
            return false;
        }
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(in.readAll(), &error);
        in.close();
        if (error.error != QJsonParseError::NoError || !doc.isObject()) {
            const QString aside = asideName(file);
            if (aside.isEmpty() || !QFile::rename(file, aside)) {
                m_openError =
                    u"The settings file %1 could not be read, nor kept aside as %2."_s.arg(file,
                                                                                           aside);
                return false;
            }
            m_keptAsideNotice = u"The settings file %1 could not be read and was kept aside as %2. "
                                "The program starts with its default settings."_s.arg(file, aside);
            m_dirty = true;
        } else {
            m_values = doc.object();
        }
    } else {
        m_dirty = true;
    }
    m_open = true;
    return true;
}

void SettingsStore::closeKey()
{
    if (!m_open)
        return;
    m_open = false;
    if (!m_dirty)
        return;
    const QString error =
        AtomicSave::write(path(), QJsonDocument(m_values).toJson(QJsonDocument::Indented));
    if (!error.isEmpty())
        throw KorvantError(u"Failed to store settings in %1: %2"_s.arg(path(), error));
    m_dirty = false;
}

QString SettingsStore::memberName(const QString &name) const
{
    for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.key();
    }
    return {};
}

QJsonValue SettingsStore::member(const QString &name) const
{
    const QString key = memberName(name);
    return key.isEmpty() ? QJsonValue(QJsonValue::Undefined) : m_values.value(key);
}

bool SettingsStore::valueExists(const QString &name) const
{
    return !memberName(name).isEmpty();
}

QString SettingsStore::readString(const QString &name) const
{
    const QJsonValue value = member(name);
    if (!value.isString())
        throwInvalidType(name);
    return value.toString();
}

qint32 SettingsStore::readInteger(const QString &name) const
{
    const QJsonValue value = member(name);
    if (!JsonNumbers::isInteger(value))
        throwInvalidType(name);
    return static_cast<qint32>(value.toInteger());
}

bool SettingsStore::readBool(const QString &name) const
{
    return readInteger(name) != 0;
}

void SettingsStore::write(const QString &name, const QJsonValue &value)
{
    // A hand-edited file may spell a name twice in different cases: every spelling goes, or
    // the one left behind could be read back instead of the value just written.
    for (QString existing = memberName(name); !existing.isEmpty(); existing = memberName(name))
        m_values.remove(existing);
    m_values.insert(name, value);
    m_dirty = true;
}

void SettingsStore::writeString(const QString &name, const QString &value)
{
    write(name, value);
}

void SettingsStore::writeInteger(const QString &name, qint32 value)
{
    write(name, value);
}

void SettingsStore::writeBool(const QString &name, bool value)
{
    write(name, value ? 1 : 0);
}
