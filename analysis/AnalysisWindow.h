#pragma once

#include <QMainWindow>
#include <QString>

class QLabel;
class QShowEvent;
class QVBoxLayout;

namespace kw {

// The frame the analysis windows share: a chart over a column of labels,
// drawn again when the listing changes, but only while shown (a hidden
// window catches up when it is shown).
class AnalysisWindow : public QMainWindow {
    Q_OBJECT

public:
    // The listing's values changed: drawn again now, or when next shown.
    void barsChanged();

protected:
    AnalysisWindow(const QString& objectName, const QString& title, QWidget* parent);
    // The chart fills the window above the labels added after it.
    void setChart(QWidget* chart, int width, int height);
    QLabel* addLabel(const QString& objectName, const QString& text);
    // The chart's parent.
    QWidget* client() const { return m_client; }
    bool stale() const { return m_stale; }

    void showEvent(QShowEvent* event) override;

private:
    // Draws the chart from the listing's values.
    virtual void draw() = 0;
    void rebuild();

    QWidget* m_client = nullptr;
    QVBoxLayout* m_layout = nullptr;
    bool m_stale = true;
};

} // namespace kw
