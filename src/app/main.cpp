#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Korvant Application"));
    QMainWindow w;
    w.show();
    return app.exec();
}
