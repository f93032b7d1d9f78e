#include "firmware/intelhex.h"

#include "link/hexdigits.h"

using namespace Qt::Literals::StringLiterals;

namespace IntelHex {

namespace {

constexpr int EndOfFileRecord = 1;
constexpr int HighestRecordType = 5;
// Byte count, two address bytes, record type and checksum.
constexpr int FramingBytes = 5;

// Why a record is not valid, or an empty text; recordType receives its type.
QString recordProblem(QStringView line, int &recordType)
{
    if (line.isEmpty())
        return u"an empty line"_s;
    if (line.front() != u':')
        return u"a record must start with ':'"_s;
    const QStringView digits = line.sliced(1);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (!HexDigits::isDigit(digits[i].unicode()))
            return u"'%1' is not a hexadecimal digit"_s.arg(digits[i]);
    }
    if (digits.size() % 2 != 0 || digits.size() < 2 * FramingBytes)
        return u"the record is too short"_s;
    QList<int> bytes;
    for (qsizetype i = 0; i < digits.size(); i += 2)
        bytes.append(HexDigits::digitValue(digits[i].unicode()) * 16 +
                     HexDigits::digitValue(digits[i + 1].unicode()));
    const int count = bytes.at(0);
    if (bytes.size() != count + FramingBytes)
        return u"the byte count says %1 data bytes, the record holds %2"_s.arg(count).arg(
            bytes.size() - FramingBytes);
    recordType = bytes.at(3);
    if (recordType > HighestRecordType)
        return u"record type %1 is unknown"_s.arg(HexDigits::byteText(recordType));
    int sum = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i)
        sum += bytes.at(i);
    const int expected = (0x100 - (sum & 0xFF)) & 0xFF;
    if (bytes.last() != expected)
        return u"the checksum is %1, the record's bytes need %2"_s.arg(
            HexDigits::byteText(bytes.last()), HexDigits::byteText(expected));
    return {};
}

} // namespace

QString CheckResult::message() const
{
    if (ok)
        return {};
    if (badLine == 0)
        return problem;
    return u"Line %1: %2."_s.arg(badLine).arg(problem);
}

CheckResult check(const QStringList &lines)
{
    CheckResult result;
    bool ended = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        int type = -1;
        QString problem =
            ended ? u"a record follows the end-of-file record"_s : recordProblem(lines.at(i), type);
        if (!problem.isEmpty()) {
            result.ok = false;
            result.badLine = int(i + 1);
            result.problem = problem;
            return result;
        }
        ++result.records;
        ended = type == EndOfFileRecord;
    }
    if (!ended) {
        result.ok = false;
        result.problem = u"The file has no end-of-file record (:00000001FF)."_s;
    }
    return result;
}

} // namespace IntelHex
