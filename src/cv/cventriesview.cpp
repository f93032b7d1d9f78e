#include "cv/cventriesview.h"

#include "cv/cvselection.h"
#include "ui/namedcontrol.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int CheckBoxOffset = 58;
constexpr int EditOffset = 32;

// A click checks an unchecked or grayed box and unchecks a checked one: only the station's
// read-back grays a box.
class CvCheckBox final : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override
    {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

CvSelection::Mark markOf(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked:
        return CvSelection::Mark::Selected;
    case Qt::PartiallyChecked:
        return CvSelection::Mark::ReadBack;
    case Qt::Unchecked:
        break;
    }
    return CvSelection::Mark::None;
}

Qt::CheckState checkStateOf(CvSelection::Mark mark)
{
    switch (mark) {
    case CvSelection::Mark::Selected:
        return Qt::Checked;
    case CvSelection::Mark::ReadBack:
        return Qt::PartiallyChecked;
    case CvSelection::Mark::None:
        break;
    }
    return Qt::Unchecked;
}

} // namespace

CvEntriesView::CvEntriesView(CvSelection &selection, QObject *parent)
    : QObject(parent), m_selection(selection)
{
    connect(&m_selection, &CvSelection::entryChanged, this, &CvEntriesView::paint);
    connect(&m_selection, &CvSelection::entriesChanged, this, &CvEntriesView::paintAll);
}

QString CvEntriesView::checkBoxName(int cv)
{
    return u"CheckBox"_s + QString::number(cv + CheckBoxOffset);
}

QString CvEntriesView::editName(int cv)
{
    return u"Edit"_s + QString::number(cv + EditOffset);
}

QCheckBox *CvEntriesView::checkBox(int cv) const
{
    return CvSelection::isCv(cv) ? m_boxes[size_t(cv)] : nullptr;
}

QLineEdit *CvEntriesView::edit(int cv) const
{
    return CvSelection::isCv(cv) ? m_edits[size_t(cv)] : nullptr;
}

QWidget *CvEntriesView::buildEntries(int first, int last, QWidget *parent)
{
    auto *entries = new QWidget(parent);
    auto *grid = new QGridLayout(entries);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    int boxWidth = 0;
    int valueWidth = 0;
    for (int cv = first; cv <= last; ++cv) {
        auto *box =
            namedControl<CvCheckBox>(checkBoxName(cv), u"CV"_s + QString::number(cv), entries);
        box->setTristate(true);
        box->setProperty("Tag", TagValue);
        auto *value = namedControl<QLineEdit>(editName(cv), entries);
        value->setProperty("Tag", TagValue);
        value->setAlignment(Qt::AlignRight);
        if (valueWidth == 0) {
            valueWidth = value->fontMetrics().horizontalAdvance(u"0000"_s) + 12;
            boxWidth = CvCheckBox(u"CV255"_s).sizeHint().width();
        }
        value->setFixedWidth(valueWidth);
        box->setMinimumWidth(boxWidth); // every column as wide as the widest caption

        const int row = (cv - first) % RowsPerColumn;
        const int column = 3 * ((cv - first) / RowsPerColumn);
        grid->addWidget(box, row, column);
        grid->addWidget(value, row, column + 1);
        grid->setColumnMinimumWidth(column + 2, 14); // a gap between entry columns
        m_boxes[size_t(cv)] = box;
        m_edits[size_t(cv)] = value;

        connect(box, &QCheckBox::stateChanged, this,
                [this, cv](int state) { m_selection.setMark(cv, markOf(Qt::CheckState(state))); });
        connect(value, &QLineEdit::textChanged, this,
                [this, cv](const QString &text) { m_selection.setValue(cv, text); });
        paint(cv);
    }
    grid->setRowStretch(RowsPerColumn, 1);
    grid->setColumnStretch(grid->columnCount(), 1);
    return entries;
}

void CvEntriesView::setEntriesEnabled(bool enabled)
{
    for (int cv = CvSelection::FirstCv; cv <= CvSelection::LastCv; ++cv) {
        m_boxes[size_t(cv)]->setEnabled(enabled);
        m_edits[size_t(cv)]->setEnabled(enabled);
    }
}

void CvEntriesView::paint(int cv)
{
    QCheckBox *box = checkBox(cv);
    QLineEdit *value = edit(cv);
    if (!box || !value)
        return;
    const CvSelection::Entry &entry = m_selection.entry(cv);
    const Qt::CheckState state = checkStateOf(entry.mark);
    if (box->checkState() != state)
        box->setCheckState(state);
    if (value->text() != entry.value)
        value->setText(entry.value);
}

void CvEntriesView::paintAll()
{
    for (int cv = CvSelection::FirstCv; cv <= CvSelection::LastCv; ++cv)
        paint(cv);
}
