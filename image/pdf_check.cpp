#include "image/kind_checks.h"

#include <exception>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include "image/raster.h"

namespace {

struct PdfSummary {
    std::size_t pages = 0;
    // The library repairs many damaged files with warnings; a result that needs repair where
    // the original did not is damaged.
    bool repaired = false;
};

ReadStatus readPdf(const std::string& path, PdfSummary& summary)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        summary.pages = QPDFPageDocumentHelper(pdf).getAllPages().size();
        // Reads every object, so damage in objects no page refers to is found as well.
        pdf.getAllObjects();
        summary.repaired = pdf.anyWarnings();
    } catch (const std::exception&) {
        return ReadStatus::broken;
    }
    return ReadStatus::ok;
}

} // namespace

CheckResult samePdf(const std::string& before, const std::string& after)
{
    PdfSummary original;
    if (const ReadStatus status = readPdf(before, original); status != ReadStatus::ok)
        return readFailure(status, true);
    PdfSummary result;
    if (const ReadStatus status = readPdf(after, result); status != ReadStatus::ok)
        return readFailure(status, false);
    if (result.repaired && !original.repaired)
        return differs("it opens only with repairs");
    if (original.pages != result.pages)
        return differs("the page count changed");
    return sameResult();
}
