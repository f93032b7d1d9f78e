#include "admin/appearance.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

using namespace Qt::Literals::StringLiterals;

namespace Appearance {

namespace {

struct Style
{
    const char16_t *name;
    QRgb window;    // background of windows and pages
    QRgb base;      // background of edits and lists
    QRgb text;      // text on both
    QRgb button;    // buttons and tabs
    QRgb highlight; // selection and the current tab's accent
    int radius;     // corner radius of buttons and tabs, in pixels
};

// Each style its own colours; light and dark styles alike keep text readable on them.
constexpr Style styles[] = {
    {u"Amakrits", 0x2B2D3A, 0x1F2029, 0xE8E6F0, 0x3A3D4F, 0xC7803A, 2},
    {u"Amethyst Kamri", 0xE4DCEB, 0xF6F2F9, 0x2A1E33, 0xCFC0DC, 0x8A4FB5, 4},
    {u"Aqua Graphite", 0x3C4043, 0x2E3134, 0xE4F2F5, 0x4A5054, 0x2FB3C4, 3},
    {u"Aqua Light Slate", 0xDCE6EA, 0xF4F8FA, 0x1E2B30, 0xC5D5DC, 0x2A9DB0, 3},
    {u"Auric", 0x2E2A22, 0x24211B, 0xF2E6C8, 0x453F31, 0xD4A72C, 2},
    {u"Carbon", 0x222222, 0x1A1A1A, 0xDDDDDD, 0x333333, 0x4E8FD6, 0},
    {u"Charcoal Dark Slate", 0x33393F, 0x282D32, 0xD6DEE5, 0x414950, 0x6F8FA8, 3},
    {u"Cobalt XEMedia", 0x1E2A44, 0x172035, 0xDCE6FA, 0x2B3B60, 0x3D7BEA, 5},
    {u"Cyan Dusk", 0x2A3A44, 0x213039, 0xD9F3F7, 0x35505E, 0x3CC8D8, 4},
    {u"Cyan Night", 0x121C22, 0x0C1418, 0xC8F0F5, 0x1C2C34, 0x19B5C9, 4},
    {u"Emerald Light Slate", 0xDDE7E2, 0xF4F9F6, 0x1C2E25, 0xC3D7CC, 0x2E9C62, 3},
    {u"Golden Graphite", 0x393632, 0x2C2A27, 0xF0E7D2, 0x4A4641, 0xC89B3C, 3},
    {u"Iceberg Classico", 0xE8EEF3, 0xFFFFFF, 0x1A2633, 0xD3DEE8, 0x5B8DB8, 1},
    {u"Lavender Classico", 0xEAE6F2, 0xFFFFFF, 0x2A2438, 0xD8D0E8, 0x7D6BB0, 1},
    {u"Light", 0xF7F7F7, 0xFFFFFF, 0x202020, 0xEAEAEA, 0x0A74DA, 2},
    {u"Luna", 0xECE9D8, 0xFFFFFF, 0x000000, 0xD8E4F8, 0x316AC5, 6},
    {u"Metropolis UI Black", 0x111111, 0x000000, 0xF0F0F0, 0x262626, 0xE51400, 0},
    {u"Metropolis UI Blue", 0x1B58B8, 0x174A9C, 0xFFFFFF, 0x2667CF, 0xFFFFFF, 0},
    {u"Metropolis UI Dark", 0x2D2D30, 0x1E1E1E, 0xF1F1F1, 0x3E3E42, 0x007ACC, 0},
    {u"Metropolis UI Green", 0x00875A, 0x00734D, 0xFFFFFF, 0x009E69, 0xFFFFFF, 0},
    {u"Obsidian", 0x1B1E20, 0x141618, 0xC9D1D9, 0x2A2F33, 0x7C5CC4, 2},
    {u"Ruby Graphite", 0x3A3435, 0x2D2829, 0xF0E2E4, 0x4B4345, 0xC2334A, 3},
    {u"Sapphire Kamri", 0xD9E0EE, 0xF3F6FB, 0x1A2340, 0xC2CDE4, 0x2F4FA8, 4},
    {u"Silver", 0xD4D4D4, 0xF2F2F2, 0x1E1E1E, 0xBFBFBF, 0x5A5A5A, 2},
    {u"Slate Classico", 0xC9D2D9, 0xEEF2F5, 0x1D262D, 0xB4C0CA, 0x4F6B80, 1},
    {u"Smokey Quartz Kamri", 0xD6CFCA, 0xF2EEEB, 0x2B2521, 0xC2B8B1, 0x8C6E5C, 4},
    {u"Turquoise Gray", 0x5B6770, 0x4A555D, 0xEAF6F6, 0x6A7882, 0x33C3B5, 3},
};

const QString WindowsStyle = u"Windows"_s;

QString &platformStyleKey()
{
    static QString key = QApplication::style() ? QApplication::style()->name() : QString();
    return key;
}

// The desktop theme's colours, as the program found them before any style of ours.
const QPalette &platformPalette()
{
    static const QPalette palette = QApplication::palette();
    return palette;
}

QString &activeName()
{
    static QString name = WindowsStyle;
    return name;
}

bool isDark(QRgb colour)
{
    return qGray(colour) < 128;
}

QPalette paletteOf(const Style &s)
{
    QPalette p;
    const QColor window(s.window), base(s.base), text(s.text), button(s.button);
    const QColor highlight(s.highlight);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, isDark(s.base) ? base.lighter(115) : base.darker(105));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, isDark(s.highlight) ? Qt::white : Qt::black);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, text.darker(150));
    p.setColor(QPalette::Mid, isDark(s.window) ? window.lighter(160) : window.darker(130));
    p.setColor(QPalette::Midlight, isDark(s.button) ? button.lighter(140) : button.lighter(110));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role,
                   isDark(s.window) ? text.darker(170) : text.lighter(250));
    return p;
}

QString styleSheetOf(const Style &s)
{
    const QString accent = QColor(s.highlight).name();
    const QString border = isDark(s.window) ? QColor(s.window).lighter(180).name()
                                            : QColor(s.window).darker(150).name();
    return u"QPushButton, QToolButton { border: 1px solid %1; border-radius: %2px; padding: 4px "
           u"10px; }"
           "QPushButton:hover, QToolButton:hover { border-color: %3; }"
           "QPushButton:default { border: 2px solid %3; }"
           "QTabBar::tab:selected { border-bottom: 3px solid %3; }"
           "QProgressBar { border: 1px solid %1; border-radius: %2px; }"_s.arg(border)
               .arg(s.radius)
               .arg(accent);
}

} // namespace

QStringList styleNames()
{
    QStringList names{WindowsStyle};
    for (const Style &s : styles)
        names.append(QString::fromUtf16(s.name));
    return names;
}

bool activateStyle(const QString &styleName)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return false;
    if (styleName.compare(WindowsStyle, Qt::CaseInsensitive) == 0) {
        const QString platform = platformStyleKey();
        if (QStyle *style = QStyleFactory::create(platform))
            QApplication::setStyle(style);
        QApplication::setPalette(platformPalette());
        app->setStyleSheet(QString());
        activeName() = WindowsStyle;
        return true;
    }
    for (const Style &s : styles) {
        const QString name = QString::fromUtf16(s.name);
        if (name.compare(styleName, Qt::CaseInsensitive) != 0)
            continue;
        // Remember the platform's look before leaving it.
        platformStyleKey();
        platformPalette();
        QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
        QApplication::setPalette(paletteOf(s));
        app->setStyleSheet(styleSheetOf(s));
        activeName() = name;
        return true;
    }
    return false;
}

QString activeStyleName()
{
    return activeName();
}

} // namespace Appearance
