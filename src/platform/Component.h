#pragma once

#include <QFlags>
#include <QString>

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel {

enum class TComponentStateFlag : std::uint8_t {
    csLoading = 1,    // properties are being read from a layout; Loaded() follows
    csDestroying = 2, // the component is on its way out; references to it are being cleared
    csDesigning = 4,  // the component lives in a visual designer
};
Q_DECLARE_FLAGS(TComponentState, TComponentStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TComponentState)

enum class TOperation : std::uint8_t { opInsert, opRemove };

// A node of a form-like object tree. An owner owns its components in creation order and destroys
// them with itself (the last created first); every component of an owner, and every component that
// asked for it with FreeNotification, hears of an insertion or removal through Notification, so that
// references to a destroyed component can be cleared. Placement (Parent) is independent of
// ownership: a band owned by a form is placed on a report, a label on a band.
class TComponent {
public:
    explicit TComponent(TComponent* owner)
        : owner_(owner) {}
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent();

    // The component's class as a layout names it ("TQRLabel").
    virtual std::string_view ClassName() const noexcept { return "TComponent"; }

    TComponent* Owner() const noexcept { return owner_; }
    int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
    TComponent* Component(int index) const { return components_.at(static_cast<std::size_t>(index)).get(); }
    // Index of this component in its owner's list, -1 without an owner.
    int ComponentIndex() const noexcept;
    // The owned component with this name (names compare without regard to case), or nullptr.
    TComponent* FindComponent(const QString& name) const;

    const QString& Name() const noexcept { return name_; }
    // Renames the component. Throws Exception when the name is not an identifier or another component
    // of the same owner already carries it. An empty name is always accepted.
    virtual void SetName(const QString& name);

    int Tag() const noexcept { return tag_; }
    void SetTag(int tag) noexcept { tag_ = tag; }

    TComponentState ComponentState() const noexcept { return state_; }
    bool IsLoading() const noexcept { return state_.testFlag(TComponentStateFlag::csLoading); }
    bool IsDestroying() const noexcept { return state_.testFlag(TComponentStateFlag::csDestroying); }
    bool IsDesigning() const noexcept { return state_.testFlag(TComponentStateFlag::csDesigning); }
    // Loading marks this component and everything it owns.
    void SetLoading(bool loading);
    void SetDesigning(bool designing);
    // Called on every component of a layout once all of them have their properties; clears the
    // loading mark.
    virtual void Loaded();

    // Takes ownership of a component made for this owner (or an unowned one) and appends it.
    TComponent& InsertComponent(std::unique_ptr<TComponent> component);
    // Hands ownership of a component back to the caller; it keeps its placement.
    std::unique_ptr<TComponent> RemoveComponent(TComponent& component);
    // Destroys one owned component now, with every notification.
    void DestroyComponent(TComponent& component);
    // Destroys every owned component, last created first.
    void DestroyComponents();

    // The first half of destruction, run while every override still works: marks the component as
    // destroying, tells those who asked for it, takes its placed children off it and itself off its
    // parent, destroys what it owns and tells its owner's components. DestroyComponent runs it; a
    // subclass whose overrides must run during its teardown calls it first in its destructor. Runs
    // once.
    void BeforeDestruction();

    // Asks for a Notification when other is destroyed; the link is mutual and is dropped when either
    // side goes.
    void FreeNotification(TComponent& other);
    void RemoveFreeNotification(TComponent& other);

    // Placement. SetParent moves the component to the end of the new parent's placed children.
    TComponent* Parent() const noexcept { return parent_; }
    virtual void SetParent(TComponent* parent);
    const std::vector<TComponent*>& Children() const noexcept { return children_; }
    bool HasParent() const noexcept { return parent_ != nullptr; }

protected:
    // Told of components inserted into or removed from this owner, and of the destruction of
    // components this one asked to hear about. The base passes the notice on to every owned component.
    virtual void Notification(TComponent& component, TOperation operation);
    // A child was placed on or taken off this component.
    virtual void ChildPlaced(TComponent& child) { (void)child; }
    virtual void ChildRemoved(TComponent& child) { (void)child; }
    // First step of destruction, while every override still runs: marks this component and
    // everything it owns as destroying.
    virtual void Destroying();

private:
    std::vector<std::unique_ptr<TComponent>>::iterator FindSlot(const TComponent& component);

    TComponent* owner_;
    std::vector<std::unique_ptr<TComponent>> components_;
    std::vector<TComponent*> freeNotifies_;
    TComponent* parent_ = nullptr;
    std::vector<TComponent*> children_;
    QString name_;
    int tag_ = 0;
    TComponentState state_;
    unsigned listVersion_ = 0;
    bool destructionBegun_ = false;
};

// A component with a place and a size: pixel bounds relative to its parent, and whether it is shown
// and enabled. Subclasses keep other geometry (lengths in their own units) in step by overriding
// SetBounds.
class TControl : public TComponent {
public:
    using TComponent::TComponent;

    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
    virtual void SetBounds(int left, int top, int width, int height);

    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool visible) noexcept { visible_ = visible; }
    bool Enabled() const noexcept { return enabled_; }
    virtual void SetEnabled(bool enabled) { enabled_ = enabled; }

private:
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
};

// Creates a component of class T owned by owner and returns it; the owner keeps it.
template <class T, class... Args> T& CreateComponent(TComponent& owner, Args&&... args) {
    auto component = std::make_unique<T>(&owner, std::forward<Args>(args)...);
    T& result = *component;
    owner.InsertComponent(std::move(component));
    return result;
}

// Base followed by the smallest integer from 1 upward that names no component of owner
// ("DetailBand" → "DetailBand1").
QString UniqueName(const TComponent& owner, const QString& base);

// True when text is a valid component name: a letter or underscore, then letters, digits, underscores.
bool IsValidIdent(const QString& text);

} // namespace quorvel
