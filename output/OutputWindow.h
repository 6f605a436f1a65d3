#pragma once

#include "output/Output.h"

#include <QMainWindow>

#include <cstddef>
#include <cstdint>
#include <string>

class QAction;
class QActionGroup;
class QPlainTextEdit;
class QPrinter;
class QTextCharFormat;

namespace kw {

// TForm3: the listing text of every run; created hidden, closing only hides it.
// The listing writes into it through Output, whose target it is.
class OutputWindow : public QMainWindow, public OutputTarget {
    Q_OBJECT

public:
    // Characters the view holds before its oldest lines give way: about 35
    // whole-month listings in quarter-hours, a few tens of MB at most.
    static constexpr std::size_t DefaultCapacity = 2'000'000;

    OutputWindow(Output& output, QPrinter& printer, QWidget* parent = nullptr);
    ~OutputWindow() override;

    // OutputTarget
    void appendLine(const std::string& line, int32_t style) override;
    void clearView() override;
    bool clearBeforeListing() const override;
    void caretToEnd() override;

    // Characters (UTF-16 units) of the view; a single line longer than this
    // is still shown, alone.
    void setCapacity(std::size_t characters) { m_capacity = characters; }
    std::size_t capacity() const { return m_capacity; }
    // The size of all text, and of text added later, in points.
    int32_t fontSize() const { return m_fontSize; }

    // Prints the whole text on printer, page after page over its printable
    // area (the print dialog has been answered). False when the printer
    // could not be started.
    bool printText(QPrinter& printer);

    // Lines dropped from the top of the view but still in its document.
    struct Dropped {
        int lines = 0;
        int characters = 0;
    };

private:
    // Dropped lines leave the document at the latest after this many.
    static constexpr int DroppedBatch = 256;

    void createMenu();
    void removeDroppedLines();
    QTextCharFormat lineFormat(int32_t style) const;
    void applyFontSize(int32_t points);
    void setTextStyle(bool bold, bool italic, bool underline);

    void clearAll();
    void setReadOnly(bool checked);

    Output& m_output;
    QPrinter& m_printer;
    std::size_t m_capacity = DefaultCapacity;
    int32_t m_fontSize = 8;
    bool m_scrollPending = false;
    bool m_removalPending = false;
    Dropped m_dropped;

    QPlainTextEdit* Memo1 = nullptr;
    QAction* Vyberve1 = nullptr;
    QAction* Kopruj1 = nullptr;
    QAction* Zruve1 = nullptr;
    QAction* Pouzeproten1 = nullptr;
    QAction* MazatPV = nullptr;
    QAction* Psmomal1 = nullptr;
    QAction* Psmostedn1 = nullptr;
    QAction* Psmovelk1 = nullptr;
    QActionGroup* m_sizes = nullptr;
};

} // namespace kw
