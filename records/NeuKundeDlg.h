#pragma once

#include <QDialog>

// The window "neuen Kunden anlegen"; created once at start-up and kept until the end.
class TNeuKundeDlg : public QDialog {
public:
    explicit TNeuKundeDlg(QWidget* owner = nullptr);
};

// The program's single instance.
inline TNeuKundeDlg* NeuKundeDlg = nullptr;
