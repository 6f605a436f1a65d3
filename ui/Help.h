#pragma once

#include <QString>

class QWidget;

namespace kw {

// The help document beside the program; its topics are anchors named by the
// context keys ("MENU", "MENU_KALEND", ...).
inline constexpr const char* HelpFileName = "qx5view.html";

// The directory (with its final '/') where the help document is looked for
// first (the archive folder, which may carry its own copy); then beside the
// executable, then in ../share/kwatrix/ from it, where it is installed.
void SetHelpDirectory(const QString& directory);
// The help document found by that order; when there is none, where it was
// looked for first.
QString HelpDocumentPath();

// The window that owns the help window (the main window), so that help
// opened from any dialog lives and ends with the program. Until set, the
// window that first opens help owns it.
void SetHelpOwner(QWidget* owner);

// Opens the help window at the topic of `contextKey` (empty: the contents).
// Without the help document it says that help is not installed.
void OpenHelp(QWidget* parent, const QString& contextKey);

} // namespace kw
