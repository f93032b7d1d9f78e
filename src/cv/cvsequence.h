#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <functional>

// The CV sequence text: the selected CVs in ascending order, each as two upper-case hex digits,
// then "00" items up to 256, laid out as a memory image text (800 characters). It is what the
// CV memo shows, what the stored default keeps and what the station receives.
namespace CvSequence {

inline constexpr int FirstCv = 1;
inline constexpr int LastCv = 255;

// BuildCVSequence's text for a selection. Order and repeats do not matter; numbers outside
// 1..255 name no CV entry and are left out.
QString text(QList<int> selectedCvs);

// The CVs a sequence text names, in text order: every two adjacent characters that are neither
// ",", ":", CR nor LF are read as one hex number, "00" items skipped. A pair that is not a hex
// number throws the conversion error, as reading back a damaged stored default does.
QList<int> cvsIn(QStringView text);
// The same reading, handing each CV over as it is read: at a damaged pair the CVs before it
// have been handed over when the error is thrown.
void forEachCvIn(QStringView text, const std::function<void(int cv)> &visit);

} // namespace CvSequence
