#include "link/simulatorports.h"

#include "platform/currentuser.h"

using namespace Qt::Literals::StringLiterals;

QString advertisedPortsFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + u"/korvant/ports"_s;
    return u"/tmp/korvant-"_s + currentUserId() + u"/ports"_s;
}

QString advertisedPortPath(const QString &name)
{
    return advertisedPortsFolder() + u'/' + name;
}
