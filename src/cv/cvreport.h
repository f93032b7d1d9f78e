#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// A CV report as the framer hands it over (marks removed, at most 9 characters): position 2-3
// the CV number, 5-6 the value, both hex digits of either case; positions 1, 4 and 7 on are not
// read. A text that ends inside a field gives the digits present.
struct CvReport
{
    int cv = 0;
    int value = 0;
    bool operator==(const CvReport &) const = default;
};

// Nothing when a field is missing or holds a character that is not a hex digit. CV 0 is a
// readable report that names no CV; the page answers it with its own message.
std::optional<CvReport> decodeCvReport(QStringView packet);
// The forms a station may answer in: the short "C1D=03", or with a line end, "C1D=03" CR LF,
// which framed makes exactly the 10 characters the CV page allows.
enum class CvReportForm
{
    Short,
    WithLineEnd
};
QString encodeCvReport(const CvReport &report, CvReportForm form);
