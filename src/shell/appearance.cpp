#include "shell/appearance.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

using namespace Qt::Literals::StringLiterals;

namespace Appearance {

namespace {

QString &platformStyleName()
{
    static QString name = QApplication::style() ? QApplication::style()->name() : QString();
    return name;
}

} // namespace

bool activateStyle(const QString &styleName)
{
    if (styleName.compare(u"Windows"_s, Qt::CaseInsensitive) != 0)
        return false;
    const QString platform = platformStyleName();
    if (!platform.isEmpty() && QApplication::style()->name() != platform)
        QApplication::setStyle(QStyleFactory::create(platform));
    return true;
}

} // namespace Appearance
