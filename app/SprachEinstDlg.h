#pragma once

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

// The tester's display language to choose.
class TSprachEinstDlg : public QDialog {
public:
    explicit TSprachEinstDlg(QWidget* owner = nullptr);

    // A double click on the list chooses like OK.
    void ListBox1DblClick();

    QLabel* Label1;
    QListWidget* ListBox1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};

// The program's single instance.
inline TSprachEinstDlg* SprachEinstDlg = nullptr;
