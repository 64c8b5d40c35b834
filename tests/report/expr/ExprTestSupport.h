#pragma once

#include "platform/Exceptions.h"
#include "report/expr/Qrexpr.h"

#include <gtest/gtest.h>

#include <QString>
#include <QVariant>

#include <vector>

namespace quorvel::testing {

// Evaluates an expression once with a fresh evaluator.
inline TQREvResult Eval(const QString& expression) {
    TQREvaluator evaluator;
    return evaluator.Calculate(expression);
}

inline ::testing::AssertionResult IsInt(const TQREvResult& r, int expected) {
    if (r.Kind == TQREvResultType::resInt && r.IntResult == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "kind " << int(r.Kind) << " int " << r.IntResult << " dbl "
                                         << r.DblResult << " str '" << r.StrResult.toStdString() << "'";
}

inline ::testing::AssertionResult IsDouble(const TQREvResult& r, double expected) {
    if (r.Kind == TQREvResultType::resDouble && r.DblResult == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "kind " << int(r.Kind) << " int " << r.IntResult << " dbl "
                                         << r.DblResult << " str '" << r.StrResult.toStdString() << "'";
}

inline ::testing::AssertionResult IsString(const TQREvResult& r, const QString& expected) {
    if (r.Kind == TQREvResultType::resString && r.StrResult == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "kind " << int(r.Kind) << " str '" << r.StrResult.toStdString() << "'";
}

inline ::testing::AssertionResult IsBool(const TQREvResult& r, bool expected) {
    if (r.Kind == TQREvResultType::resBool && r.BooResult == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "kind " << int(r.Kind) << " bool " << r.BooResult << " str '"
                                         << r.StrResult.toStdString() << "'";
}

inline ::testing::AssertionResult IsError(const TQREvResult& r, const QString& message) {
    if (r.Kind == TQREvResultType::resError && r.StrResult == message) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "kind " << int(r.Kind) << " int " << r.IntResult << " str '"
                                         << r.StrResult.toStdString() << "'";
}

// A data set held in memory: named, typed columns and rows of values, with a current row.
class FakeDataSet final : public TQREvDataSet {
public:
    struct Column {
        QString name;
        TQREvFieldKind kind;
    };

    FakeDataSet(QString name, std::vector<Column> columns)
        : name_(std::move(name))
        , columns_(std::move(columns)) {}

    void AddRow(std::vector<QVariant> row) { rows_.push_back(std::move(row)); }
    void SetRow(std::size_t row) { current_ = row; }

    QString Name() const override { return name_; }
    int FindField(QStringView name) const override {
        for (std::size_t i = 0; i < columns_.size(); ++i)
            if (QStringView(columns_[i].name).compare(name, Qt::CaseInsensitive) == 0) return int(i);
        return -1;
    }
    QString FieldName(int field) const override { return columns_.at(std::size_t(field)).name; }
    TQREvFieldKind FieldKind(int field) const override { return columns_.at(std::size_t(field)).kind; }
    QString FieldText(int field) const override { return At(field).toString(); }
    std::int32_t FieldInteger(int field) const override { return At(field).toInt(); }
    double FieldFloat(int field) const override { return At(field).toDouble(); }
    bool FieldBoolean(int field) const override { return At(field).toBool(); }

private:
    const QVariant& At(int field) const { return rows_.at(current_).at(std::size_t(field)); }

    QString name_;
    std::vector<Column> columns_;
    std::vector<std::vector<QVariant>> rows_;
    std::size_t current_ = 0;
};

} // namespace quorvel::testing
