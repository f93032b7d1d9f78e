#include "cli/commands.h"

#include <QCoreApplication>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvant-cli"));
    // A failure is said once, in the tool's own line; QT_LOGGING_RULES can still ask for more.
    QLoggingCategory::setFilterRules(QStringLiteral("korvant.*.warning=false"));
    return Cli::run(QCoreApplication::arguments());
}
