#pragma once

#include <string>

#include "report/report_content.h"

namespace rf::report {

// Writes the report as a PDF: A4 landscape, text and plots as vector graphics,
// "Page n of m" at the foot of every page. The file appears under `path` only
// once complete (written to a temporary file beside it, then renamed). Returns
// "" or why it could not be written. Needs a QApplication (the plots are
// Qt Charts drawn through a graphics scene).
std::string writePdf(const Content& content, const std::string& path);

}  // namespace rf::report
