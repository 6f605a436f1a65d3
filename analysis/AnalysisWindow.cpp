#include "analysis/AnalysisWindow.h"

#include "ui/WindowSupport.h"

#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kw {

AnalysisWindow::AnalysisWindow(const QString& objectName, const QString& title, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(objectName);
    setWindowTitle(title);
    setFont(WindowFont(8));
    m_client = new QWidget(this);
    m_layout = new QVBoxLayout(m_client);
    m_layout->setContentsMargins(0, 0, 0, 4);
    m_layout->setSpacing(2);
    setCentralWidget(m_client);
}

void AnalysisWindow::setChart(QWidget* chart, int width, int height)
{
    m_layout->insertWidget(0, chart, 1);
    resize(width, height);
}

QLabel* AnalysisWindow::addLabel(const QString& objectName, const QString& text)
{
    auto* label = new QLabel(text, m_client);
    label->setObjectName(objectName);
    label->setContentsMargins(8, 0, 8, 0);
    m_layout->addWidget(label);
    return label;
}

void AnalysisWindow::barsChanged()
{
    m_stale = true;
    if (isVisible())
        rebuild();
}

void AnalysisWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_stale)
        rebuild();
}

void AnalysisWindow::rebuild()
{
    m_stale = false;
    draw();
}

} // namespace kw
