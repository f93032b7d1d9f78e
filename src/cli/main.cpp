#include "cli/commands.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvant-cli"));
    return Cli::run(QCoreApplication::arguments());
}
