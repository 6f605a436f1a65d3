#pragma once

#include <string>

namespace kw {

struct Workbook;

// The bytes of `workbook` as an Excel workbook (Office Open XML), made with
// Debian's libxlsxwriter in a private temporary folder: a bold, frozen header
// row, columns as wide as their texts, date-times as real date-time cells,
// numbers as numbers, the charts of each sheet beside its table. The caller
// saves them as every export is saved (atomically, under the folder's lock);
// false with the Czech reason when they could not be made.
bool XlsxBytes(const Workbook& workbook, std::string& bytes, std::string* reason);

} // namespace kw
