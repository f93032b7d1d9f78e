#include "advertise.h"

#include "link/simulatorports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

Advertisement::Advertisement(const QString &name, const QString &target) : m_target(target)
{
    if (!isUsableName(name)) {
        m_error = u"Unusable simulator name \"%1\""_s.arg(name);
        return;
    }
    const QString folder = advertisedPortsFolder();
    if (!QDir().mkpath(folder)) {
        m_error = u"Cannot create %1"_s.arg(folder);
        return;
    }
    // Under /tmp the folders are shared ground: only their owner may list or add ports.
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QFile::setPermissions(QFileInfo(folder).path(), ownerOnly);
    QFile::setPermissions(folder, ownerOnly);
    const QString link = advertisedPortPath(name);
    if (QFileInfo(link).isSymLink())
        QFile::remove(link);
    if (!QFile::link(target, link)) {
        m_error = u"Cannot create the link %1"_s.arg(link);
        return;
    }
    m_linkPath = link;
}

Advertisement::~Advertisement()
{
    // Another simulator of the same name may have taken the link over since.
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_target)
        QFile::remove(m_linkPath);
}

bool Advertisement::isUsableName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && name != u"."_s && name != u".."_s;
}
