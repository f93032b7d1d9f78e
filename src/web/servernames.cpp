#include "web/servernames.h"

using namespace Qt::Literals::StringLiterals;

namespace ServerNames {

QString programFileName()
{
    return u"korvant"_s;
}

QString withExtension(const QString &fileName, const QString &extension)
{
    const qsizetype nameStart = fileName.lastIndexOf(u'/') + 1;
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString stem = dot > nameStart ? fileName.left(dot) : fileName;
    return stem + extension;
}

QString versionFileName(const QString &programFile)
{
    return withExtension(programFile, u".ver"_s);
}

QString firmwareListName(const QString &programFile)
{
    return withExtension(programFile, u".hls"_s);
}

QString newProgramFileName(const QString &programFile)
{
    return withExtension(programFile, u".new"_s);
}

QString oldProgramFileName(const QString &programFile)
{
    return withExtension(programFile, u".old"_s);
}

QString driverArchiveName()
{
    return u"USBDrivers.zip"_s;
}

QString driverInstallerName(const QString &architecture)
{
    return u"USBDrivers/"_s + architecture + u"/DriverInstallTool.exe"_s;
}

QString address(const QString &updateUrl, const QString &name)
{
    return updateUrl + u'/' + name;
}

QString versionFileAddress(const QString &updateUrl, const QString &programFile)
{
    return address(updateUrl, versionFileName(programFile));
}

QString programFileAddress(const QString &updateUrl, const QString &programFile)
{
    return address(updateUrl, programFile);
}

QString firmwareListAddress(const QString &updateUrl, const QString &programFile)
{
    return address(updateUrl, firmwareListName(programFile));
}

QString hexFileAddress(const QString &updateUrl, const QString &hexFileName)
{
    return address(updateUrl, hexFileName);
}

QString driverArchiveAddress(const QString &updateUrl)
{
    return address(updateUrl, driverArchiveName());
}

QString webSiteRoot(const QString &webSite)
{
    return webSite + u'/';
}

QString homePageAddress(const QString &webSite)
{
    return webSite + u"/homeTesk.htm"_s;
}

QString manualAddress(const QString &webSite)
{
    return webSite + u"/Korvant_Manual_E2.pdf"_s;
}

} // namespace ServerNames
