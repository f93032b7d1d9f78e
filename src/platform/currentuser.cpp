#include "platform/currentuser.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

QString currentUserId()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

UserIdentity currentUser()
{
    UserIdentity user;
#ifdef Q_OS_UNIX
    user.uid = ::getuid();
    const passwd *entry = ::getpwuid(user.uid);
    user.name = entry ? QString::fromLocal8Bit(entry->pw_name) : qEnvironmentVariable("USER");
    user.groupIds.append(::getgid());
    const int count = ::getgroups(0, nullptr);
    QList<gid_t> groups(qMax(count, 0));
    if (count > 0 && ::getgroups(count, groups.data()) == count) {
        for (const gid_t gid : groups) {
            if (!user.groupIds.contains(gid))
                user.groupIds.append(gid);
        }
    }
#else
    user.name = qEnvironmentVariable("USERNAME");
#endif
    return user;
}
