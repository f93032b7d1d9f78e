#pragma once

#include "platform/bandreport.h"

#include <QDateTime>
#include <QList>

// The CV sheet: the selected CVs with their values, eight to a row, each CV always in the slot
// of its place in its group of eight.
struct CvSheetEntry
{
    bool exists = false;   // CV 256 has no entry
    bool selected = false; // ticked or grayed
    QString caption;       // "CV29"
    QString value;
};

class CvSheet final
{
public:
    static constexpr int SlotsPerRow = 8;

    // entries[n - 1] is CV n.
    CvSheet(const QString &mainCaption, QList<CvSheetEntry> entries, const QString &webSite,
            const QDateTime &printedAt);
    Q_DISABLE_COPY_MOVE(CvSheet)

    const BandReport &report() const { return m_report; }

    void QRPQuickrep1BeforePrint();
    bool QRPQuickrep1NeedData(BandReport::Band &detail);

private:
    BandReport m_report;
    QString m_mainCaption;
    QList<CvSheetEntry> m_entries;
    int CVReportIndex = 1;
};
