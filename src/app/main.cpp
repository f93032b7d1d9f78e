#include "platform/terminationsignals.h"
#include "shell/commainform.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvant"));
    quitOnTerminationSignals(&app);
    TfKorvant fKorvant;
    fKorvant.show();
    return app.exec();
}
