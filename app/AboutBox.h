#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QString>

// The compiler's build date ("Mmm dd yyyy", as __DATE__ gives it) as "dd.mm.yyyy";
// the text unchanged when it is not in that form.
QString BuildDateText(const char* compilerDate);

// The window "Info"; created once at start-up and kept until the end.
class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* owner = nullptr);

    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QPushButton* OKButton;
};

// The program's single instance.
inline TAboutBox* AboutBox = nullptr;
