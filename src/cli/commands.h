#pragma once

#include <QString>
#include <QStringList>

// The tool's commands. Each reads its own options and arguments (command: how the user named
// it, "korvant-cli flash") and returns the exit status; failures are thrown.
namespace Cli {

// The whole tool: the arguments as the process got them, the program first.
int run(const QStringList &arguments);

int runPorts(const QString &command, const QStringList &arguments);
int runDoctor(const QString &command, const QStringList &arguments);
int runSend(const QString &command, const QStringList &arguments);
int runMonitor(const QString &command, const QStringList &arguments);
int runFlash(const QString &command, const QStringList &arguments);
int runVersionOf(const QString &command, const QStringList &arguments);
int runHexCheck(const QString &command, const QStringList &arguments);
int runHex2Asm(const QString &command, const QStringList &arguments);
int runTurnoutDecode(const QString &command, const QStringList &arguments);
int runTurnoutEncode(const QString &command, const QStringList &arguments);
int runCvSequence(const QString &command, const QStringList &arguments);

} // namespace Cli
