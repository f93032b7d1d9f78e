#include "cv/cvselection.h"

#include "cv/cvsequence.h"

QList<int> CvSelection::DefaultCVList()
{
    return {1, 2, 3, 4, 5, 29};
}

CvSelection::CvSelection(QObject *parent) : QObject(parent) {}

const CvSelection::Entry &CvSelection::entry(int cv) const
{
    Q_ASSERT(isCv(cv));
    return m_entries[size_t(cv)];
}

CvSelection::Entry &CvSelection::at(int cv)
{
    Q_ASSERT(isCv(cv));
    return m_entries[size_t(cv)];
}

bool CvSelection::isSelected(int cv) const
{
    return entry(cv).mark != Mark::None;
}

QList<int> CvSelection::selectedCvs() const
{
    QList<int> cvs;
    for (int cv = FirstCv; cv <= LastCv; ++cv) {
        if (isSelected(cv))
            cvs.append(cv);
    }
    return cvs;
}

QString CvSelection::sequenceText() const
{
    return CvSequence::text(selectedCvs());
}

void CvSelection::setEntry(int cv, Mark mark, const QString &value)
{
    Entry &e = at(cv);
    if (e.mark == mark && e.value == value)
        return;
    e.mark = mark;
    e.value = value;
    Q_EMIT entryChanged(cv);
}

void CvSelection::click(int cv)
{
    setEntry(cv, entry(cv).mark == Mark::Selected ? Mark::None : Mark::Selected, entry(cv).value);
}

void CvSelection::setMark(int cv, Mark mark)
{
    setEntry(cv, mark, entry(cv).value);
}

void CvSelection::setValue(int cv, const QString &value)
{
    setEntry(cv, entry(cv).mark, value);
}

void CvSelection::clearAll()
{
    for (int cv = FirstCv; cv <= LastCv; ++cv)
        at(cv) = Entry{};
    Q_EMIT entriesChanged();
}

void CvSelection::selectAll()
{
    for (int cv = FirstCv; cv <= LastCv; ++cv)
        at(cv).mark = Mark::Selected;
    Q_EMIT entriesChanged();
}

void CvSelection::check(const QList<int> &cvs)
{
    for (const int cv : cvs) {
        if (isCv(cv))
            setEntry(cv, Mark::Selected, entry(cv).value);
    }
}

void CvSelection::checkCvsIn(QStringView sequenceText)
{
    CvSequence::forEachCvIn(sequenceText, [this](int cv) { check({cv}); });
}

void CvSelection::prepareUpload()
{
    for (int cv = FirstCv; cv <= LastCv; ++cv) {
        Entry &e = at(cv);
        if (e.mark == Mark::ReadBack)
            e.mark = Mark::Selected;
        e.value.clear();
    }
    Q_EMIT entriesChanged();
}

void CvSelection::applyReadBack(int cv, int value)
{
    if (!isCv(cv))
        return;
    setEntry(cv, Mark::ReadBack, QString::number(value));
}
