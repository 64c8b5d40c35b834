#include "platform/Component.h"

#include "platform/Exceptions.h"

#include <algorithm>

namespace quorvel {

namespace {

template <class T> void EraseValue(std::vector<T*>& list, const T* value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

} // namespace

TComponent::~TComponent() {
    BeforeDestruction();
}

void TComponent::BeforeDestruction() {
    if (destructionBegun_) return;
    destructionBegun_ = true;
    Destroying();
    // Clients are told first, while this component is still whole.
    const std::vector<TComponent*> clients = std::move(freeNotifies_);
    freeNotifies_.clear();
    for (TComponent* client : clients) {
        EraseValue(client->freeNotifies_, this);
        client->Notification(*this, TOperation::opRemove);
    }
    while (!children_.empty())
        children_.back()->SetParent(nullptr);
    SetParent(nullptr);
    DestroyComponents();
    if (owner_) owner_->Notification(*this, TOperation::opRemove);
}

void TComponent::Destroying() {
    state_ |= TComponentStateFlag::csDestroying;
    for (const auto& component : components_)
        component->Destroying();
}

int TComponent::ComponentIndex() const noexcept {
    if (!owner_) return -1;
    const auto& list = owner_->components_;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == this) return static_cast<int>(i);
    return -1;
}

TComponent* TComponent::FindComponent(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    for (const auto& component : components_)
        if (component->name_.compare(name, Qt::CaseInsensitive) == 0) return component.get();
    return nullptr;
}

bool IsValidIdent(const QString& text) {
    if (text.isEmpty()) return false;
    const auto isAsciiLetter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
    };
    if (!isAsciiLetter(text[0])) return false;
    return std::all_of(text.begin() + 1, text.end(),
                       [&](QChar c) { return isAsciiLetter(c) || (c >= u'0' && c <= u'9'); });
}

void TComponent::SetName(const QString& name) {
    if (name == name_) return;
    if (!name.isEmpty()) {
        if (!IsValidIdent(name))
            throw Exception(QStringLiteral("'%1' is not a valid component name").arg(name));
        if (owner_) {
            TComponent* existing = owner_->FindComponent(name);
            if (existing && existing != this)
                throw Exception(QStringLiteral("A component named %1 already exists").arg(name));
        }
    }
    name_ = name;
}

void TComponent::SetLoading(bool loading) {
    state_.setFlag(TComponentStateFlag::csLoading, loading);
    for (const auto& component : components_)
        component->SetLoading(loading);
}

void TComponent::SetDesigning(bool designing) {
    state_.setFlag(TComponentStateFlag::csDesigning, designing);
    for (const auto& component : components_)
        component->SetDesigning(designing);
}

void TComponent::Loaded() {
    state_.setFlag(TComponentStateFlag::csLoading, false);
}

TComponent& TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
    TComponent& inserted = *component;
    if (inserted.owner_ && inserted.owner_ != this)
        throw Exception(QStringLiteral("Component %1 already has another owner").arg(inserted.name_));
    if (!inserted.name_.isEmpty() && FindComponent(inserted.name_))
        throw Exception(QStringLiteral("A component named %1 already exists").arg(inserted.name_));
    inserted.owner_ = this;
    components_.push_back(std::move(component));
    ++listVersion_;
    Notification(inserted, TOperation::opInsert);
    return inserted;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent& component) {
    if (component.owner_ != this) return nullptr;
    Notification(component, TOperation::opRemove);
    // The notice may have changed the list: look the slot up afterwards.
    const auto slot = FindSlot(component);
    if (slot == components_.end()) return nullptr;
    std::unique_ptr<TComponent> released = std::move(*slot);
    components_.erase(slot);
    ++listVersion_;
    released->owner_ = nullptr;
    return released;
}

void TComponent::DestroyComponent(TComponent& component) {
    if (component.owner_ != this) return;
    component.BeforeDestruction();
    const auto slot = FindSlot(component);
    if (slot == components_.end()) return;
    std::unique_ptr<TComponent> doomed = std::move(*slot);
    components_.erase(slot);
    ++listVersion_;
}

std::vector<std::unique_ptr<TComponent>>::iterator TComponent::FindSlot(const TComponent& component) {
    return std::find_if(components_.begin(), components_.end(),
                        [&](const auto& owned) { return owned.get() == &component; });
}

void TComponent::DestroyComponents() {
    while (!components_.empty())
        DestroyComponent(*components_.back());
}

void TComponent::FreeNotification(TComponent& other) {
    if (&other == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), &other) == freeNotifies_.end())
        freeNotifies_.push_back(&other);
    if (std::find(other.freeNotifies_.begin(), other.freeNotifies_.end(), this) == other.freeNotifies_.end())
        other.freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent& other) {
    EraseValue(freeNotifies_, &other);
    EraseValue(other.freeNotifies_, this);
}

void TComponent::SetParent(TComponent* parent) {
    if (parent == parent_) return;
    for (TComponent* p = parent; p; p = p->parent_)
        if (p == this)
            throw Exception(QStringLiteral("A control cannot have itself or one of its children as parent"));
    if (TComponent* old = parent_) {
        EraseValue(old->children_, this);
        parent_ = nullptr;
        old->ChildRemoved(*this);
    }
    if (parent) {
        parent_ = parent;
        parent->children_.push_back(this);
        parent->ChildPlaced(*this);
    }
}

void TComponent::Notification(TComponent& component, TOperation operation) {
    // A handler may insert or destroy components while the list is walked: walk a snapshot, and once
    // the list has changed skip those that are gone.
    std::vector<TComponent*> owned;
    owned.reserve(components_.size());
    for (const auto& c : components_)
        owned.push_back(c.get());
    const unsigned version = listVersion_;
    for (TComponent* c : owned) {
        if (c == &component) continue;
        if (listVersion_ != version && FindSlot(*c) == components_.end()) continue;
        c->Notification(component, operation);
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

QString UniqueName(const TComponent& owner, const QString& base) {
    for (int i = 1;; ++i) {
        const QString name = base + QString::number(i);
        if (!owner.FindComponent(name)) return name;
    }
}

} // namespace quorvel
