#include "controls/FieldLink.h"

TFieldDataLink::TFieldDataLink(std::function<void()> onDataChange) : onDataChange_(std::move(onDataChange)) {}

TFieldDataLink::~TFieldDataLink() {
    QObject::disconnect(connection_);
}

void TFieldDataLink::SetDataSource(TFieldSource* source) {
    if (source == source_)
        return;
    QObject::disconnect(connection_);
    source_ = source;
    if (source)
        connection_ = QObject::connect(source, &TFieldSource::DataChanged, [this] { onDataChange_(); });
    onDataChange_();
}

void TFieldDataLink::SetFieldName(const QString& name) {
    if (name == fieldName_)
        return;
    fieldName_ = name;
    onDataChange_();
}

std::optional<TFieldValue> TFieldDataLink::Field() const {
    if (!source_ || fieldName_.isEmpty())
        return std::nullopt;
    return source_->FieldValue(fieldName_);
}
