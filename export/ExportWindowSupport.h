#pragma once

#include "export/Formats.h"

#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QWidget;

namespace kw {

// What a window exports now: empty when it shows nothing to export.
using ExportSourceOf = std::function<std::optional<ExportSource>()>;

// The items of every export format, before `before` (null: at the end of
// `menu`), each named as its format says. An item asks for the file with the
// save dialog (its name begins with `baseName`), writes the export there
// atomically and says where it went in `window`'s status line; a window
// showing nothing refuses with a message, and a failure is a Czech message
// box with the reason, like a failed save.
void AddExportItems(QMenu* menu, QAction* before, QWidget* window, const QString& baseName,
                    ExportSourceOf source);
// One export: true when saved.
bool RunExport(QWidget* window, const ExportFormat& format, const QString& baseName,
               const ExportSourceOf& source);

} // namespace kw
