#pragma once

#include <QDialog>

namespace kw {

class Application;

// TForm8: how a listing is laid out and which sums it prints.
class ListingParametersWindow : public QDialog {
    Q_OBJECT

public:
    explicit ListingParametersWindow(Application& app, QWidget* parent = nullptr);

    // Prepares the window from the shared settings, then shows it.
    void prepareAndShow();

private:
    Application& m_app;
};

} // namespace kw
