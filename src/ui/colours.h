#pragma once

#include <QColor>

class QProgressBar;
class QWidget;

// The program's state colours, written 0xBBGGRR as the station's own documents give them.
namespace Colours {

constexpr quint32 Yellow = 0x00FFFF;     // memos while connected, Link title after a status
constexpr quint32 Silver = 0xC0C0C0;     // memos while disconnected
constexpr quint32 MoneyGreen = 0xC0DCC0; // window, lamps off, read-only rows
constexpr quint32 Magenta = 0xFF00FF;    // lamps on
constexpr quint32 SkyBlue = 0xF0CAA6;    // Link title after a disconnect
constexpr quint32 White = 0xFFFFFF;
constexpr quint32 Red = 0x0000FF;
constexpr quint32 Maroon = 0x000080; // progress bars
constexpr quint32 Cream = 0xF0FBFF;  // the style list

QColor fromBgr(quint32 bgr);
// Paints the widget's background (the base of an edit, the window of anything else). A memo
// that hides its selection without the focus keeps hiding it on the new colour.
void setBackground(QWidget *widget, quint32 bgr);
// Set by MemoText::showSelectionWithoutFocus on a memo whose selection is hidden while another
// control has the focus: that selection is painted in the memo's own background.
inline constexpr const char *SelectionHiddenProperty = "korvantSelectionHidden";
// Back to the look of the active style.
void clearBackground(QWidget *widget);
// The background last set with setBackground, as 0xBBGGRR; for tests and state checks.
quint32 background(const QWidget *widget);
// The upload gauges: framed, filling in maroon in every style.
void paintGauge(QProgressBar *gauge);

} // namespace Colours
