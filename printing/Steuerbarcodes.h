#pragma once

#include <QWidget>

// The window "Steuerbarcodes"; created once at start-up and kept until the end.
class TSteuerbarcodes : public QWidget {
public:
    explicit TSteuerbarcodes(QWidget* owner = nullptr);
};

// The program's single instance.
inline TSteuerbarcodes* Steuerbarcodes = nullptr;
