#include "export/ExportWindowSupport.h"

#include "ui/WindowSupport.h"

#include <QAction>
#include <QMenu>

namespace kw {

bool RunExport(QWidget* window, const ExportFormat& format, const QString& baseName,
               const ExportSourceOf& source)
{
    const std::optional<ExportSource> subject = source();
    if (!subject) {
        RefuseEmptyExport(window);
        return false;
    }
    QString caption = QString::fromUtf8(format.menuText);
    caption.remove(QChar(0x2026));
    const QString path =
        AskExportPath(window, caption, baseName + QLatin1Char('.') + QLatin1String(format.suffix),
                      QString::fromUtf8(format.filter));
    if (path.isEmpty())
        return false;
    std::string bytes;
    std::string reason;
    if (!format.write(*subject, bytes, reason)) {
        ShowExportFailure(window, path, reason);
        return false;
    }
    return SaveExport(window, path, QByteArray::fromStdString(bytes));
}

void AddExportItems(QMenu* menu, QAction* before, QWidget* window, const QString& baseName,
                    ExportSourceOf source)
{
    for (const ExportFormat& format : ExportFormats()) {
        auto* item = new QAction(QString::fromUtf8(format.menuText), menu);
        item->setObjectName(QLatin1String(format.actionName));
        menu->insertAction(before, item);
        QObject::connect(item, &QAction::triggered, window, [window, &format, baseName, source] {
            RunExport(window, format, baseName, source);
        });
    }
}

} // namespace kw
