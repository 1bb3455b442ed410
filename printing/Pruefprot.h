#pragma once

#include <QWidget>

// The window "Prüfprotokoll"; created once at start-up and kept until the end.
class TPruefprot : public QWidget {
public:
    explicit TPruefprot(QWidget* owner = nullptr);
};

// The program's single instance.
inline TPruefprot* Pruefprot = nullptr;
