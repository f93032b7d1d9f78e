#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// What one run of the built korvant-cli did.
struct CliResult
{
    bool finished = false; // false: it did not end within the bound and was killed
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QString errText() const { return QString::fromUtf8(err).trimmed(); }
    QStringList outLines() const;
};

namespace CliProcess {

QString executable();
// The environment with one variable changed: how a test points the tool at a simulator's
// advertised ports.
QProcessEnvironment environmentWith(const QString &name, const QString &value);
// Runs the tool to its end, feeding it input on standard input; every wait is bounded.
CliResult run(const QStringList &arguments, const QByteArray &input = {},
              const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
              int timeoutMs = 60000);
// Waits for a running tool's end and collects what it wrote.
CliResult finish(QProcess &process, int timeoutMs = 60000);

} // namespace CliProcess
