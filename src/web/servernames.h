#pragma once

#include <QString>

// The names the program fetches from the maker's update server and the product's web site, and
// the local names an update forms from the program file. Every server address is the base
// (UpdateURL, no trailing slash) + "/" + a name.
namespace ServerNames {

// The program file on this platform; the ".ver", ".hls", ".new" and ".old" names are formed
// from it with its extension, if any, replaced.
QString programFileName();

// fileName with its extension replaced by (or, without one, extended with) extension; only
// the last path component counts ("korvant" + ".ver" -> "korvant.ver", "Korvant.exe" ->
// "Korvant.ver").
QString withExtension(const QString &fileName, const QString &extension);

QString versionFileName(const QString &programFile = programFileName());
QString firmwareListName(const QString &programFile = programFileName());
QString newProgramFileName(const QString &programFile = programFileName());
QString oldProgramFileName(const QString &programFile = programFileName());
QString driverArchiveName();
// A driver installer inside the unpacked archive, relative to the program's folder;
// architecture is "x86" or "x64".
QString driverInstallerName(const QString &architecture);

QString address(const QString &updateUrl, const QString &name);
QString versionFileAddress(const QString &updateUrl,
                           const QString &programFile = programFileName());
QString programFileAddress(const QString &updateUrl,
                           const QString &programFile = programFileName());
QString firmwareListAddress(const QString &updateUrl,
                            const QString &programFile = programFileName());
QString hexFileAddress(const QString &updateUrl, const QString &hexFileName);
QString driverArchiveAddress(const QString &updateUrl);

// The product's web site: its root page, the home page and the manual.
QString webSiteRoot(const QString &webSite);
QString homePageAddress(const QString &webSite);
QString manualAddress(const QString &webSite);

} // namespace ServerNames
