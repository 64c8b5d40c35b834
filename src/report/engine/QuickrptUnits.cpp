#include "report/engine/QuickrptUnits.h"

#include "platform/Exceptions.h"
#include "platform/Metafile.h"
#include "platform/Rounding.h"
#include "platform/ScopeExit.h"

#include <QLocale>

#include <cmath>

namespace quorvel {

TQRUnit DefaultQRUnit() {
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? TQRUnit::Inches : TQRUnit::MM;
}

TQRUnitBase::TQRUnitBase(int valueCount)
    : values_(static_cast<std::size_t>(valueCount), 0.0)
    , units_(DefaultQRUnit())
    , savedUnits_(units_)
    , resolution_(ScreenPixelsPerInch()) {}

double TQRUnitBase::LoadUnit(double value, TQRUnit unit, bool horizontal) const {
    switch (unit) {
    case TQRUnit::MM:
        return value / 10.0;
    case TQRUnit::Inches:
        return value / 254.0;
    case TQRUnit::Pixels:
        // One division at the end keeps whole pixel counts exact.
        return value * resolution_ * zoom_ * PixelZoom() / (254.0 * 100.0 * 100.0);
    case TQRUnit::Characters: {
        const double size = std::abs(CharacterPointSize());
        const double cell = horizontal ? 80.0 : 145.3;
        return size == 0 ? 0.0 : value / (cell / size / 2.54) / 10.0;
    }
    case TQRUnit::Native:
        break;
    }
    return value;
}

double TQRUnitBase::SaveUnit(double value, TQRUnit unit, bool horizontal) const {
    switch (unit) {
    case TQRUnit::MM:
        return value * 10.0;
    case TQRUnit::Inches:
        return value * 254.0;
    case TQRUnit::Pixels: {
        const double divisor = static_cast<double>(resolution_) * zoom_ * PixelZoom();
        return divisor == 0 ? 0.0 : value * 254.0 * 100.0 * 100.0 / divisor;
    }
    case TQRUnit::Characters: {
        const double size = std::abs(CharacterPointSize());
        const double cell = horizontal ? 80.0 : 145.3;
        return size == 0 ? 0.0 : value * 10.0 * (cell / size / 2.54);
    }
    case TQRUnit::Native:
        break;
    }
    return value;
}

void TQRUnitBase::Loaded() {
    PushToParent();
}

void TQRUnitBase::ReadValues(std::span<const double> values) {
    if (values.size() != values_.size())
        throw Exception(
            QStringLiteral("Values holds %1 lengths, %2 expected").arg(values.size()).arg(values_.size()));
    for (const double v : values)
        if (!std::isfinite(v)) throw Exception(QStringLiteral("Values holds a length that is not a number"));
    values_.assign(values.begin(), values.end());
    PushToParent();
}

void TQRUnitBase::SetPixels() {
    savedUnits_ = units_;
    SetUnits(TQRUnit::Pixels);
}

void TQRUnitBase::RestoreUnit() {
    SetUnits(savedUnits_);
}

void TQRUnitBase::SetZoom(int percent) {
    zoom_ = percent;
    PushToParent();
}

double TQRUnitBase::Value(int index) const {
    return LoadUnit(NativeValue(index), GetUnits(), Horizontal(index));
}

void TQRUnitBase::SetValue(int index, double value) {
    SetNativeValue(index, SaveUnit(value, GetUnits(), Horizontal(index)));
}

void TQRUnitBase::SetNativeValue(int index, double value) {
    values_.at(static_cast<std::size_t>(index)) = value;
    PushToParent();
}

void TQRUnitBase::PushToParent() {
    if (updating_) return;
    updating_ = true;
    const ScopeExit done([this] { updating_ = false; });
    SetParentSizes();
}

int TQRUnitBase::Pixels(int index) const {
    return RoundHalfEven(LoadUnit(NativeValue(index), TQRUnit::Pixels, Horizontal(index)));
}

} // namespace quorvel
