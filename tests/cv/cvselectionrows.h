#pragma once

#include "cv/cvselection.h"

#include <QList>
#include <QString>
#include <QTest>

// The selections both the sequence text and the CV entries are checked against, with how the
// 800-character text they give begins and ends. "readBack" CVs were reported by the station
// (their boxes grayed): they stay selected, so the text names them as if they had been picked.
namespace CvSelectionRows {

inline const QString ZeroLine =
    QStringLiteral(":00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\r\n");

inline QList<int> range(int first, int last)
{
    QList<int> cvs;
    for (int cv = first; cv <= last; ++cv)
        cvs.append(cv);
    return cvs;
}

inline void addSequenceTextRows()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QList<int>>("readBack");
    QTest::addColumn<QString>("begins");
    QTest::addColumn<QString>("ends");

    QTest::newRow("nothing-selected") << QList<int>{} << QList<int>{} << ZeroLine << ZeroLine;
    QTest::newRow("default-list") << CvSelection::DefaultCVList() << QList<int>{}
                                  << QStringLiteral(
                                         ":01,02,03,04,05,1D,00,00,00,00,00,00,00,00,00,00\r\n")
                                  << ZeroLine;
    QTest::newRow("cv10-upper-case-hex")
        << QList<int>{10} << QList<int>{} << QStringLiteral(":0A,00,") << ZeroLine;
    QTest::newRow("unsorted-with-repeats")
        << QList<int>{29, 3, 29, 1} << QList<int>{} << QStringLiteral(":01,03,1D,00,") << ZeroLine;
    QTest::newRow("out-of-range-left-out")
        << QList<int>{0, 7, 256, -1} << QList<int>{} << QStringLiteral(":07,00,") << ZeroLine;
    QTest::newRow("all-255") << range(1, 255) << QList<int>{} << QStringLiteral(":01,02,03,04,")
                             << QStringLiteral(",FE,FF,00\r\n");
    QTest::newRow("grayed-counts-as-selected")
        << QList<int>{3} << QList<int>{29, 1} << QStringLiteral(":01,03,1D,00,") << ZeroLine;
    QTest::newRow("only-grayed") << QList<int>{} << QList<int>{255} << QStringLiteral(":FF,00,")
                                 << ZeroLine;
}

} // namespace CvSelectionRows
