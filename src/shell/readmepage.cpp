#include "shell/readmepage.h"

#include <QLabel>
#include <QTextBrowser>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

const char16_t quickStart[] = uR"(
## Quick start

1. **Connect the station.** Plug the station's USB/UART converter in, press **Settings**, choose
   its port (for example `ttyUSB0`) and press **OK**, then **&Connect**. The *On Line* lamp lights
   and the memos turn yellow. If you cannot open the port, your user may need to be in the
   `dialout` group.
2. **Drive locomotives.** Open the **Link** page: each of the four columns drives one loco with its
   speed slider, direction buttons, headlight and function lamps. *Emergency STOP* stops them all.
3. **Turnouts.** Type the routes of each group on **Turnout Encoder**, export them, keep them in a
   `.tout` file on **Turnout Load/Save** and upload them to the station.
4. **Decoder CVs.** On **CV Programming** tick the CVs to read, upload the selection and watch the
   values come back.
5. **Firmware.** Start the station in its boot-loader mode (hold its emergency-stop key while
   switching it on), load a hex file on **Firmware Upgrade** and press **&Start Upload**.
6. **Keep up to date.** **Version Update** fetches a newer program from the maker's server;
   **Revert to previous version** brings the last one back.
)";

} // namespace

ReadMePage::ReadMePage(QWidget *parent) : QWidget(parent)
{
    auto *text = new QTextBrowser(this);
    text->setObjectName(u"ReadMeText"_s);
    text->setMarkdown(QString::fromUtf16(quickStart));
    m_fullVersion = new QLabel(this);
    m_fullVersion->setObjectName(u"stFullVersion"_s);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_fullVersion);
}

void ReadMePage::setFullVersion(const QString &version)
{
    m_fullVersion->setText(version);
}
