#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>

#include <functional>

// A framed group of radio buttons with a caption, laid out in columns; ItemIndex -1 means
// that no item is chosen. OnClick runs for the user's choice only, never when the program
// sets ItemIndex.
class TRadioGroup : public QGroupBox {
public:
    explicit TRadioGroup(const QString& caption, QWidget* parent = nullptr);

    void SetItems(const QStringList& items);
    QStringList Items() const;
    int Columns() const { return columns_; }
    void SetColumns(int columns);
    int ItemIndex() const;
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const;

    std::function<void()> OnClick;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();

    QButtonGroup group_;
    QList<QRadioButton*> buttons_;
    int columns_ = 1;
};
