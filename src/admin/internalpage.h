#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The hidden service page `TabSpecial` of the Admin page: assembler listings made from the
// program's data for the station's firmware sources.
class InternalPage final : public QWidget
{
    Q_OBJECT

public:
    // The firmware page's hex memo, as its lines.
    using HexSource = std::function<QStringList()>;

    explicit InternalPage(HexSource hexLines, QWidget *parent = nullptr);

    // "&Import from HEX file": the assembler listing of the loaded firmware into `mBootLoader`.
    void sbImportHexClick();

    // "&Import from Turnout": the turnout export, ending with the dump below.
    QPushButton *importTurnoutButton() const { return m_importTurnout; }
    // Writes the assembler dump of the turnout table's hex digits into `mSpecialTurnout`.
    void ShowMemoAdmin(const QString &digits);

private:
    HexSource m_hexLines;
    QPlainTextEdit *m_bootLoader = nullptr;
    QPushButton *m_importTurnout = nullptr;
    QPlainTextEdit *m_turnoutDump = nullptr;
};
