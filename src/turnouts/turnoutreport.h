#pragma once

#include "platform/bandreport.h"

#include <QDateTime>
#include <QList>

// The turnout sheet: one row for every ticked group, its letter and its entries as the page
// shows them, under the main window's caption.
struct TurnoutReportRow
{
    bool checked = false;
    QString caption; // the group's letter
    QString entries;
};

class TurnoutReport final
{
public:
    static constexpr int GroupCount = 26;

    TurnoutReport(const QString &mainCaption, QList<TurnoutReportRow> rows, const QString &webSite,
                  const QDateTime &printedAt);
    Q_DISABLE_COPY_MOVE(TurnoutReport)

    const BandReport &report() const { return m_report; }

    void QRPQuickrep1BeforePrint();
    // The more-data flag; a group that is not ticked disables the detail band.
    bool QRPQuickrep1NeedData(BandReport::Band &detail);

private:
    BandReport m_report;
    QString m_mainCaption;
    QList<TurnoutReportRow> m_rows;
    int m_row = 1;
};
