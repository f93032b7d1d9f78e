#pragma once

#include <QSslConfiguration>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

// The local stand-in of the maker's web server (scripts/webserver) for one test: its own
// state folder, free ports and CA file, started by the constructor and stopped by the
// destructor. Check isRunning() before use; errorString() then says why it is not.
class LocalWebServer final
{
public:
    // Base addresses on which every file name answers in one way (see scripts/webserver --help).
    enum class Hook
    {
        Redirect,
        Error500,
        Close,
        Slow,
        Truncated,
        Stall,
        Endless,
        Cookie
    };
    // Servers of the update directory whose certificate the program must refuse.
    enum class BadCertificate
    {
        UnknownCa,
        WrongHost,
        Expired
    };

    // configHome stands for XDG_CONFIG_HOME: the CA is written to
    // configHome/Quendrel/Korvant-ca.pem. Empty: a folder of this server's own.
    explicit LocalWebServer(const QString &configHome = {});
    ~LocalWebServer();
    Q_DISABLE_COPY_MOVE(LocalWebServer)

    bool isRunning() const { return m_running; }
    QString errorString() const { return m_error; }

    // https://localhost:PORT/Korvant, without a final "/", as the version record holds it.
    QUrl baseUrl() const;
    // baseUrl() + "/" + name.
    QUrl url(const QString &name) const;
    QUrl hookBaseUrl(Hook hook) const;
    QUrl badCertificateBaseUrl(BadCertificate kind) const;
    // https://localhost:PORT, the web site's root.
    QUrl siteUrl() const;

    QString configHome() const { return m_configHome; }
    QString caFile() const;
    // The folders served: files dropped here are served at once.
    QString updateDir() const;
    QString siteDir() const;
    QString stateDir() const;
    // Drops a file into the update directory, where it is served at once.
    bool publish(const QString &name, const QByteArray &contents) const;
    // One line per request: request line, status, size, User-Agent, Accept, Cookie and
    // Accept-Encoding.
    QString accessLog() const;
    // The access log's lines so far (nginx writes a line when its request ends: wait with
    // QTRY_* for the one expected).
    QStringList accessLogLines() const;
    // The default TLS configuration plus the server's CA, as the program builds its own.
    QSslConfiguration sslConfiguration() const;

    // Runs scripts/webserver with the arguments and this server's state folder; bounded.
    // Gives the exit code (-1 when it did not finish) and its output.
    int runScript(const QStringList &arguments, QByteArray *output = nullptr) const;

    bool stop();

private:
    bool start();

    QTemporaryDir m_dir;
    QString m_configHome;
    quint16 m_port = 0;
    quint16 m_sitePort = 0;
    quint16 m_badPorts[3] = {};
    bool m_running = false;
    QString m_error;
};
