#pragma once
// Paints a report's pages (report/report_document.h) with Qt: onto a
// printer, for the print preview and for printing, and into a PDF file.
//
// Positions are mapped from thousandths of an inch to the printer's device
// pixels here, and fonts are set in points for the printer itself, so that a
// 10 point text prints at 10 points. When the paper cannot hold the report
// from its corner (landscape, a small paper), the whole page is scaled down
// evenly to fit: the pages stay as they were laid out, every item on them.

#include <string>
#include <vector>

#include "platform/report/report_document.h"

class QPrinter;

namespace qvn::ui::qt {

// Sets the printer up as the preview uses it: US Letter, portrait, the full
// page (positions count from the paper's corner).
void set_up_printer(QPrinter& printer);

// Paints the pages the printer was asked for (its page range; every page
// when it has none), one printer page each, and gives their numbers; empty
// when there was nothing to paint or the printer could not start.
std::vector<int> paint_document(const report::ReportDocument& document, QPrinter& printer);

enum class PaperSize { Letter, A4, A5 };

struct PdfPaper {
  PaperSize size = PaperSize::Letter;
  bool landscape = false;
};

// Writes every page of the document to a PDF file, for tests and for
// saving. Needs the application object. False, with the reason in *error,
// when the document has no pages or the file could not be written.
bool write_pdf(const report::ReportDocument& document, const std::string& path, const PdfPaper& paper = {},
               std::string* error = nullptr);

}  // namespace qvn::ui::qt
