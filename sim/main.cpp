#include "simoptions.h"
#include "simulator.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"korvant-station-sim"_s);
    const SimOptions options = parseSimOptions(QCoreApplication::arguments());
    Simulator simulator(options);
    if (!simulator.start())
        return 1;
    const int result = QCoreApplication::exec();
    simulator.writeCapture();
    return result;
}
