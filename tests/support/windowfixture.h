#pragma once

#include "link/comport.h"
#include "shell/commainform.h"
#include "support/messagerecorder.h"
#include "support/ptypair.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// The real main window with a settings store of its own, its port on a pseudo-terminal the
// test holds, and message boxes recorded instead of shown.
class WindowFixture final
{
public:
    explicit WindowFixture(const QJsonObject &storedSettings = {})
    {
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", home.filePath(QStringLiteral("run")).toUtf8());
        // A system bus that is not there: no test's window announces itself on the real network
        // (the mDNS announcer's own test gives it a private bus and daemon).
        qputenv("DBUS_SYSTEM_BUS_ADDRESS",
                "unix:path=" + home.filePath(QStringLiteral("no-system-bus")).toUtf8());
        QJsonObject settings = storedSettings;
        if (!settings.contains(QStringLiteral("Port")))
            settings.insert(QStringLiteral("Port"), pty.slavePath());
        const QString store = home.filePath(QStringLiteral("config/Quendrel/Korvant.json"));
        QDir().mkpath(QFileInfo(store).absolutePath());
        QFile file(store);
        if (file.open(QIODevice::WriteOnly))
            file.write(QJsonDocument(settings).toJson());
        file.close();
        window = std::make_unique<TfKorvant>();
    }

    // Selects a main page as the user does (the page-change event runs).
    void userSelectsPage(int index) { window->pageControl1()->setCurrentIndex(index); }

    void connect() { control<QPushButton>(QStringLiteral("Button_Open"))->click(); }

    template <typename T> T *control(const QString &name) const
    {
        T *found = window->findChild<T *>(name);
        if (!found)
            qWarning() << "no control" << name;
        return found;
    }

    QTemporaryDir home;
    PtyPair pty;
    MessageRecorder messages;
    std::unique_ptr<TfKorvant> window;
};
