#pragma once

#include <QObject>
#include <array>

class CvSelection;
class QCheckBox;
class QLineEdit;
class QWidget;

// The widgets of the CV entries: for CV n the three-state check box "CheckBox" + (n + 58),
// captioned "CV" + n, and to its right the value edit "Edit" + (n + 32), both tagged 255.
// They show the selection model, and every change of a box or an edit goes to it, the user's or
// a caller's (setCheckState, setText): the model is the one state the sequence, the upload and
// the CV sheet read.
class CvEntriesView final : public QObject
{
    Q_OBJECT

public:
    // Columns of 16, as the lines of the sequence text hold 16 CVs.
    static constexpr int RowsPerColumn = 16;
    static constexpr int TagValue = 255;

    explicit CvEntriesView(CvSelection &selection, QObject *parent = nullptr);

    // The entries of CVs first to last, in columns, on a new widget.
    QWidget *buildEntries(int first, int last, QWidget *parent);

    QCheckBox *checkBox(int cv) const;
    // Entries that cannot be changed while an upload reads the selection.
    void setEntriesEnabled(bool enabled);
    QLineEdit *edit(int cv) const;

    static QString checkBoxName(int cv);
    static QString editName(int cv);

private:
    void paint(int cv);
    void paintAll();

    CvSelection &m_selection;
    std::array<QCheckBox *, 256> m_boxes{};
    std::array<QLineEdit *, 256> m_edits{};
};
