#include "ui/desktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace Desktop {

namespace {

Opener &opener()
{
    static Opener o;
    return o;
}

Starter &starter()
{
    static Starter s;
    return s;
}

} // namespace

void setOpener(Opener o)
{
    opener() = std::move(o);
}

void setStarter(Starter s)
{
    starter() = std::move(s);
}

bool openUrl(const QUrl &url)
{
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

bool startDetached(const QString &program, const QString &workingDirectory)
{
    if (starter())
        return starter()(program, workingDirectory);
    return QProcess::startDetached(program, {}, workingDirectory);
}

} // namespace Desktop
