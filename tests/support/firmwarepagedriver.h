#pragma once

#include "support/filechooser.h"
#include "support/windowfixture.h"

#include <QAbstractButton>
#include <QCheckBox>

// The Firmware Upgrade page driven as a user drives it: its upload mode and its file dialog.
namespace FirmwarePageDriver {

// "standard", "direct", "comm" (direct through the port's events), "whole" (the text in one
// write) or "echo" (standard with special read).
inline void setMode(const WindowFixture &f, const QString &mode)
{
    f.control<QCheckBox>(QStringLiteral("cbdirectUpload"))->setChecked(mode == u"direct");
    f.control<QCheckBox>(QStringLiteral("cbDirectUploadComm"))->setChecked(mode == u"comm");
    f.control<QCheckBox>(QStringLiteral("cbClearToSend"))->setChecked(mode == u"whole");
    f.control<QCheckBox>(QStringLiteral("cbSpecialRead"))->setChecked(mode == u"echo");
}

// Loads the file as the user picks it in the page's file dialog.
inline void loadThroughTheDialog(const WindowFixture &f, const QString &path)
{
    FileChooser chooser;
    chooser.answers = {path};
    f.control<QAbstractButton>(QStringLiteral("bbGetFile"))->click();
}

} // namespace FirmwarePageDriver
