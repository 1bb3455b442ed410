#pragma once

#include <QDialog>

// The window "Info"; created once at start-up and kept until the end.
class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* owner = nullptr);
};

// The program's single instance.
inline TAboutBox* AboutBox = nullptr;
