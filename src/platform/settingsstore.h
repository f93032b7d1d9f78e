#pragma once

#include <QJsonObject>
#include <QString>

// The per-user settings store: one key of typed values, kept as a JSON object in
// $XDG_CONFIG_HOME/Quendrel/Korvant.json. Value names compare without regard to case. Strings
// are JSON strings; integers and booleans are JSON integers. Writes collect in memory and
// close() replaces the file atomically, so a crash or a full disk never leaves half a store.
class SettingsStore final
{
public:
    SettingsStore() = default;
    ~SettingsStore();
    Q_DISABLE_COPY_MOVE(SettingsStore)

    static QString defaultPath();
    // Where the store lives; tests and tools may point it elsewhere before opening.
    void setPath(const QString &path) { m_path = path; }
    QString path() const;

    // Opens the key, creating it when missing. A file that is not a JSON object is moved aside
    // (to the same name + ".bad") and the store starts empty; keptAsideNotice() then says so.
    bool openKey();
    // Why openKey() failed: the file cannot be read (or kept aside); it is left as it is.
    QString openError() const { return m_openError; }
    // Writes back what changed; throws KorvantError when the file cannot be written.
    void closeKey();
    bool isOpen() const { return m_open; }
    QString keptAsideNotice() const { return m_keptAsideNotice; }

    bool valueExists(const QString &name) const;
    // Reading a value stored under another type throws "Invalid data type for '<name>'".
    QString readString(const QString &name) const;
    qint32 readInteger(const QString &name) const;
    bool readBool(const QString &name) const;

    void writeString(const QString &name, const QString &value);
    void writeInteger(const QString &name, qint32 value);
    void writeBool(const QString &name, bool value);

private:
    QString memberName(const QString &name) const;
    QJsonValue member(const QString &name) const;
    void write(const QString &name, const QJsonValue &value);

    QString m_path;
    QJsonObject m_values;
    QString m_keptAsideNotice;
    QString m_openError;
    bool m_open = false;
    bool m_dirty = false;
};
