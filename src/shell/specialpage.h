#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The hidden service page `TabSpecial` of the Admin page: assembler listings made from the
// program's data for the station's firmware sources.
class SpecialPage final : public QWidget
{
    Q_OBJECT

public:
    explicit SpecialPage(QWidget *parent = nullptr);

    // "&Import from Turnout": the turnout export, ending with the dump below.
    QPushButton *importTurnoutButton() const { return m_importTurnout; }
    // Writes the assembler dump of the turnout table's hex digits into `mSpecialTurnout`.
    void ShowMemoAdmin(const QString &digits);

private:
    QPushButton *m_importTurnout = nullptr;
    QPlainTextEdit *m_turnoutDump = nullptr;
};
