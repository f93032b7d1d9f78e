#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>
#include <array>

// The 255 CV entries without their widgets: for each CV whether it is selected, and if so
// whether the station has read its value back, and the value text (the station's decimal value
// or whatever the user typed). The CV pages paint it; every operation on the entries is here.
class CvSelection final : public QObject
{
    Q_OBJECT

public:
    enum class Mark
    {
        None,     // not selected (unchecked)
        Selected, // checked
        ReadBack  // selected, and the station reported the value (grayed)
    };
    struct Entry
    {
        Mark mark = Mark::None;
        QString value;
    };

    static constexpr int FirstCv = 1;
    static constexpr int LastCv = 255;
    static bool isCv(int cv) { return cv >= FirstCv && cv <= LastCv; }
    // CV1 to CV5 and CV29: what "Default" selects while no default has been saved.
    static QList<int> DefaultCVList();

    explicit CvSelection(QObject *parent = nullptr);

    const Entry &entry(int cv) const;
    // Selected or read back: both count wherever the selection is used.
    bool isSelected(int cv) const;
    QList<int> selectedCvs() const;
    // BuildCVSequence's text for the present selection.
    QString sequenceText() const;

    // A user's click: selects an unselected or read-back entry, unselects a selected one.
    void click(int cv);
    // The mark an entry's box shows now, however it came to show it.
    void setMark(int cv, Mark mark);
    void setValue(int cv, const QString &value);

    // Every entry unselected and without value.
    void clearAll();
    // Every entry selected; values stay.
    void selectAll();
    // CheckCVList: the listed CVs become selected; numbers outside 1..255 name no entry.
    void check(const QList<int> &cvs);
    // Selects the CVs a sequence text names. A damaged pair throws the conversion error; the
    // CVs before it stay selected.
    void checkCvsIn(QStringView sequenceText);
    // PrepareCVUpload: read-back marks become plain selections and every value is emptied.
    void prepareUpload();
    // One CV report: the entry is marked read back with the value in decimal. A number outside
    // 1..255 names no entry and changes nothing.
    void applyReadBack(int cv, int value);

Q_SIGNALS:
    void entryChanged(int cv);
    // Many entries changed at once: paint them all.
    void entriesChanged();

private:
    Entry &at(int cv);
    void setEntry(int cv, Mark mark, const QString &value);

    std::array<Entry, LastCv + 1> m_entries{}; // index 0 names no CV
};
