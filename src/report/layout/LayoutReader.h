#pragma once

#include "platform/Exceptions.h"

#include <QByteArrayView>
#include <QString>

#include <memory>

namespace quorvel {

class TComponent;
class TLayoutRegistry;
class TReportForm;
class TQuickRep;

// A layout text that cannot be read: where (line, from 1) and why.
class ELayoutError : public Exception {
public:
    ELayoutError(const QString& message, int line)
        : Exception(QStringLiteral("Line %1: %2").arg(line).arg(message))
        , line_(line) {}
    int Line() const noexcept { return line_; }

private:
    int line_;
};

// Reads layout text (as WriteLayout writes it) onto root: the root object's properties are set on
// root and every nested object is created, owned by root, in the order of the text, and placed on
// the object it is nested in. References between components and event handlers are bound once every
// object exists; then every new component, and root, gets Loaded. The text is untrusted: sizes,
// nesting and values are checked, and any fault raises ELayoutError after the components made so far
// are destroyed again.
void ReadLayout(QByteArrayView text, TComponent& root, const TLayoutRegistry& registry);
void ReadLayout(QByteArrayView text, TComponent& root);

// Reads layout text into a new form whose class name is the one the text gives its root.
std::unique_ptr<TReportForm> ReadLayoutForm(QByteArrayView text);

// Reads a layout file into a new form and returns the form's first component when it is a
// TQuickRep (the form stays alive with it), otherwise nothing. A file that cannot be read shows
// "Error loading report" and gives nothing.
TQuickRep* QRLoadReport(const QString& fileName);
// Frees the form that owns a report QRLoadReport returned.
void QRFreeReport(TQuickRep* report);

} // namespace quorvel
