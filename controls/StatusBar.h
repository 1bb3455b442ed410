#pragma once

#include <QLabel>
#include <QStatusBar>

#include <vector>

// A status bar of fixed-width text panels, as the windows designed them.
class TStatusBar : public QStatusBar {
public:
    struct TPanel {
        int Width;
        Qt::Alignment Alignment;
        QString Text;
    };

    explicit TStatusBar(const std::vector<TPanel>& panels, QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    QLabel* Panel(int index) const { return panels_.at(static_cast<size_t>(index)); }
    QString PanelText(int index) const { return Panel(index)->text(); }
    void SetPanelText(int index, const QString& text) { Panel(index)->setText(text); }

private:
    std::vector<QLabel*> panels_;
};
