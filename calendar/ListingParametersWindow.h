#pragma once

#include <QDialog>

namespace kw {

// TForm8: how a listing is laid out and which sums it prints.
class ListingParametersWindow : public QDialog {
    Q_OBJECT

public:
    explicit ListingParametersWindow(QWidget* parent = nullptr);
};

} // namespace kw
