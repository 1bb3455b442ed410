#pragma once

#include "controls/FieldLink.h"

#include <QCheckBox>

#include <cstdint>

// A check box that only shows a field: a Boolean field ticks it directly, any other field
// when its integer value has a bit of Maske set. Clicks and keys never change the tick, and
// the tab key passes it by.
class TCheckDisp : public QCheckBox {
    Q_OBJECT
public:
    explicit TCheckDisp(QWidget* owner = nullptr);

    int32_t Maske() const { return maske_; }
    void SetMaske(int32_t mask);
    QString DataField() const { return link_.FieldName(); }
    void SetDataField(const QString& name) { link_.SetFieldName(name); }
    TFieldSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TFieldSource* source) { link_.SetDataSource(source); }
    bool Checked() const { return isChecked(); }

    // Ticks the box from the bound field, when there is one.
    void DataChange();

protected:
    void nextCheckState() override;

private:
    TFieldDataLink link_;
    int32_t maske_ = 0;
};
