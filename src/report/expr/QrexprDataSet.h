#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

namespace quorvel {

class TStoreTable;

// How an expression reads a field's current value. Fixed and wide strings count as strings; all
// integer kinds (autoincrement included) as integers; floating, currency and exact decimals as
// floats; dates and times are read as their text.
enum class TQREvFieldKind { String, Integer, Float, Boolean, DateTime, Unknown };

// The view of a data set an expression needs: its component name, its fields by name and the
// current record's values. Values are read when an expression is evaluated, never cached. A NULL
// value reads as 0, 0.0, false or the empty text.
class TQREvDataSet {
public:
    virtual ~TQREvDataSet() = default;

    virtual QString Name() const = 0;
    // Index of the field whose name matches regardless of letter case, or -1.
    virtual int FindField(QStringView name) const = 0;
    virtual QString FieldName(int field) const = 0;
    virtual TQREvFieldKind FieldKind(int field) const = 0;

    virtual QString FieldText(int field) const = 0;
    virtual std::int32_t FieldInteger(int field) const = 0;
    virtual double FieldFloat(int field) const = 0;
    virtual bool FieldBoolean(int field) const = 0;
};

// A store table seen by expressions: its Name, its declared fields (stored, calculated and
// aggregate) and the current record. Kinds follow the field's declared type: long text, blobs and
// 64-bit integers have no expression kind.
class TQRStoreDataSet final : public TQREvDataSet {
public:
    explicit TQRStoreDataSet(TStoreTable& table)
        : table_(table) {}

    TStoreTable& Table() const noexcept { return table_; }

    QString Name() const override;
    int FindField(QStringView name) const override;
    QString FieldName(int field) const override;
    TQREvFieldKind FieldKind(int field) const override;
    QString FieldText(int field) const override;
    std::int32_t FieldInteger(int field) const override;
    double FieldFloat(int field) const override;
    bool FieldBoolean(int field) const override;

private:
    TStoreTable& table_;
};

// The data sets an evaluator looks names up in, in order. Entries are shared so that prepared
// expressions keep the data sets they read alive even if the list changes afterwards.
class TQREvDataSetList {
public:
    void Add(std::shared_ptr<TQREvDataSet> dataSet);
    // Adds a store table through a TQRStoreDataSet; the table must outlive every expression that
    // reads it.
    void Add(TStoreTable& table);
    void Clear() { items_.clear(); }
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    const std::shared_ptr<TQREvDataSet>& operator[](int index) const { return items_.at(index); }

private:
    std::vector<std::shared_ptr<TQREvDataSet>> items_;
};

} // namespace quorvel
