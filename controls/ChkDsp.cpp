#include "controls/ChkDsp.h"

TCheckDisp::TCheckDisp(QWidget* owner) : QCheckBox(owner), link_([this] { DataChange(); }) {
    setFocusPolicy(Qt::NoFocus);
}

void TCheckDisp::SetMaske(int32_t mask) {
    if (mask == maske_)
        return;
    maske_ = mask;
    DataChange();
}

void TCheckDisp::DataChange() {
    const auto field = link_.Field();
    if (!field)
        return;
    setChecked(field->IsBoolean ? field->AsBoolean : (field->AsInteger & maske_) != 0);
}

void TCheckDisp::nextCheckState() {
    // Only the field changes the tick.
}
