#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// A field of the current record as a bound control reads it (an empty field reads as 0 or false).
struct TFieldValue {
    bool IsBoolean = false;
    int32_t AsInteger = 0;
    bool AsBoolean = false;
};

// The current record of a data source, as the data-aware controls see it. The database layer
// implements it and emits DataChanged whenever the record or one of its values changes.
class TFieldSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // The named field of the current record; nothing when there is no such field or no record.
    virtual std::optional<TFieldValue> FieldValue(const QString& fieldName) const = 0;

signals:
    void DataChanged();
};

// Binds one control to one field of a data source: the handler runs when the source reports
// a change and when source or field name are set. A destroyed source is forgotten.
class TFieldDataLink {
public:
    explicit TFieldDataLink(std::function<void()> onDataChange);
    ~TFieldDataLink();
    TFieldDataLink(const TFieldDataLink&) = delete;
    TFieldDataLink& operator=(const TFieldDataLink&) = delete;

    TFieldSource* DataSource() const { return source_.data(); }
    void SetDataSource(TFieldSource* source);
    const QString& FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);

    // The bound field's value, or nothing while unbound or when the source has no such field.
    std::optional<TFieldValue> Field() const;

private:
    std::function<void()> onDataChange_;
    QPointer<TFieldSource> source_;
    QMetaObject::Connection connection_;
    QString fieldName_;
};
