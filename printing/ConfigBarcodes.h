#pragma once

#include <QWidget>

// The window "Konfiguration des Barcodelesers"; created once at start-up and kept until the end.
class TConfigBarcodes : public QWidget {
public:
    explicit TConfigBarcodes(QWidget* owner = nullptr);
};

// The program's single instance.
inline TConfigBarcodes* ConfigBarcodes = nullptr;
