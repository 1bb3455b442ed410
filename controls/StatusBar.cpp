#include "controls/StatusBar.h"

TStatusBar::TStatusBar(const std::vector<TPanel>& panels, QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (size_t i = 0; i < panels.size(); ++i) {
        auto* label = new QLabel(panels[i].Text, this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setFixedWidth(panels[i].Width);
        label->setAlignment(panels[i].Alignment | Qt::AlignVCenter);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        addWidget(label);
        panels_.push_back(label);
    }
}
