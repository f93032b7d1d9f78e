// The CV report reader on any packet content, and the CV sequence reader that reads the CV
// memo and the stored default back: nothing, the conversion error, or values in range.
#include "cv/cvreport.h"
#include "cv/cvsequence.h"
#include "fuzzcheck.h"
#include "platform/korvanterror.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(Fuzz::bytes(data, size));
    if (const std::optional<CvReport> report = decodeCvReport(text)) {
        FUZZ_CHECK(report->cv >= 0 && report->cv <= 0xFF);
        FUZZ_CHECK(report->value >= 0 && report->value <= 0xFF);
        for (const CvReportForm form : {CvReportForm::Short, CvReportForm::WithLineEnd})
            FUZZ_CHECK(decodeCvReport(encodeCvReport(*report, form)) == report);
    }
    try {
        for (const int cv : CvSequence::cvsIn(text))
            FUZZ_CHECK(cv > 0 && cv <= 0xFF);
    } catch (const KorvantError &e) {
        FUZZ_CHECK(!e.message().isEmpty());
    }
    return 0;
}
