#include "cliprocess.h"

using namespace Qt::Literals::StringLiterals;

QStringList CliResult::outLines() const
{
    QStringList lines = QString::fromUtf8(out).split(u'\n');
    if (lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

namespace CliProcess {

QString executable()
{
    return QStringLiteral(KORVANT_CLI);
}

QProcessEnvironment environmentWith(const QString &name, const QString &value)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(name, value);
    return environment;
}

CliResult run(const QStringList &arguments, const QByteArray &input,
              const QProcessEnvironment &environment, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(executable(), arguments);
    if (!process.waitForStarted(10000))
        return {};
    process.write(input);
    process.closeWriteChannel();
    return finish(process, timeoutMs);
}

CliResult finish(QProcess &process, int timeoutMs)
{
    CliResult result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace CliProcess
