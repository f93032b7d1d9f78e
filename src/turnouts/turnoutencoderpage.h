#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class TurnoutDecoderPage;
class TurnoutLoadSavePage;

// The Turnout Encoder page, where the user writes the turnout table: one row `Edit1`-`Edit26`
// per group, editable while its check box `CheckBox27`-`CheckBox52` is ticked. "&Export"
// compiles the rows into the turnout memo; "&Import" reads the memo back into the rows.
class TurnoutEncoderPage final : public QWidget
{
    Q_OBJECT

public:
    TurnoutEncoderPage(TurnoutLoadSavePage &memoPage, TurnoutDecoderPage &decoderPage,
                       QWidget *parent = nullptr);

    // A group's check box changed state: its row follows.
    void CheckBox27Click(QObject *sender);
    // Export: the rows into the turnout memo, then read back in their canonical form.
    void sbAssignTurnoutClick();
    // The ticked rows compiled into the turnout memo; gives the memory image's digits. The
    // Special page's "&Import from Turnout" shows them as an assembler dump.
    QString assignTurnouts();
    void sbImportDecoderClick();

    // The controls of group n (1 = A … 26 = Z), found by their names.
    QCheckBox *groupCheckBox(int group) const;
    QLineEdit *groupRow(int group) const;

private:
    TurnoutLoadSavePage &m_memoPage;
    TurnoutDecoderPage &m_decoderPage;
};
