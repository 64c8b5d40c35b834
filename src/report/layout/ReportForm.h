#pragma once

#include "platform/Component.h"
#include "platform/Exceptions.h"

#include <QString>

#include <any>
#include <functional>
#include <map>
#include <string>

namespace quorvel {

// The form that holds report layouts: the root that owns a layout's components (reports, bands,
// controls, data sets) in the order the layout creates them, and the table of named event handlers
// that the layout's event properties are bound to ("BeforePrint = ChildBand1BeforePrint").
class TReportForm : public TComponent {
public:
    explicit TReportForm(TComponent* owner = nullptr,
                         const QString& className = QStringLiteral("TReportForm"));
    ~TReportForm() override;

    // The class a layout names for its root ("object FormRelatorio: TFormRelatorio").
    std::string_view ClassName() const noexcept override { return className_; }
    void SetLayoutClassName(const QString& className) { className_ = className.toStdString(); }

    // Makes a handler known under a name. Its signature must be the one of the event it is bound to.
    template <class Signature> void RegisterHandler(const QString& name, std::function<Signature> handler) {
        handlers_[name] = std::move(handler);
    }
    // The handler of that name; throws Exception when there is none or it has another signature.
    template <class Signature> std::function<Signature> Handler(const QString& name) const {
        const auto it = handlers_.find(name);
        if (it == handlers_.end()) throw Exception(QStringLiteral("Method %1 not found").arg(name));
        if (const auto* handler = std::any_cast<std::function<Signature>>(&it->second)) return *handler;
        throw Exception(QStringLiteral("Method %1 does not suit the event it is bound to").arg(name));
    }

private:
    std::string className_;
    std::map<QString, std::any> handlers_;
};

} // namespace quorvel
