// Printing a table's contents grid without a window, for korintool: every
// field a column of its default width, the header row on every page, the
// same pages the print preview of the contents view shows for these columns.
// This header is free of Qt so that korintool's sources need none.
#pragma once

#include <string>

namespace korin {

class TKorTable;

// Writes the PDF (A4). Starts Qt's offscreen platform when no display is
// there. Raises Exception "Die Datei <name> konnte nicht geschrieben werden!".
void PrintTableContentsToPdf(const TKorTable& table, const std::string& title, const std::string& pdfFile);

}  // namespace korin
