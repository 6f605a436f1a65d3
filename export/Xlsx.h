#pragma once

#include <string>

namespace kw {

struct Workbook;

// Saves `workbook` as an Excel workbook (Office Open XML) with Debian's
// libxlsxwriter: a bold, frozen header row, columns as wide as their texts,
// date-times as real date-time cells, numbers as numbers, the charts of each
// sheet beside its table. The file is made in a private temporary folder and
// saved as every export is (under the folder's lock, replaced atomically);
// false with the Czech reason when it could not be.
bool SaveXlsx(const Workbook& workbook, const std::string& path, std::string* reason);
// The bytes of the workbook's file, made the same way.
bool XlsxBytes(const Workbook& workbook, std::string& bytes, std::string* reason);

} // namespace kw
