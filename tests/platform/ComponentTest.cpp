#include "platform/Component.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel {
namespace {

// A component that records what it hears and keeps one reference, cleared when its target goes.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::vector<std::string>* log)
        : TComponent(owner)
        , log_(log) {}
    ~Probe() override {
        BeforeDestruction();
        if (log_) log_->push_back("destroyed " + Name().toStdString());
    }

    TComponent* reference = nullptr;
    TComponent* destroyOnRemoval = nullptr;

protected:
    void Notification(TComponent& component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation != TOperation::opRemove) return;
        if (log_) log_->push_back(Name().toStdString() + " heard " + component.Name().toStdString());
        if (&component == reference) reference = nullptr;
        if (destroyOnRemoval && Owner()) {
            TComponent* doomed = destroyOnRemoval;
            destroyOnRemoval = nullptr;
            Owner()->DestroyComponent(*doomed);
        }
    }
    void ChildPlaced(TComponent& child) override {
        if (log_) log_->push_back(Name().toStdString() + " got " + child.Name().toStdString());
    }
    void ChildRemoved(TComponent& child) override {
        if (log_) log_->push_back(Name().toStdString() + " lost " + child.Name().toStdString());
    }

private:
    std::vector<std::string>* log_;
};

Probe& MakeProbe(TComponent& owner, const char* name, std::vector<std::string>* log = nullptr) {
    Probe& probe = CreateComponent<Probe>(owner, log);
    probe.SetName(name);
    return probe;
}

TEST(Component, OwnerKeepsCreationOrderAndDestroysLastCreatedFirst) {
    std::vector<std::string> log;
    {
        TComponent form(nullptr);
        MakeProbe(form, "A", &log);
        MakeProbe(form, "B", &log);
        MakeProbe(form, "C", &log);
        ASSERT_EQ(form.ComponentCount(), 3);
        EXPECT_EQ(form.Component(0)->Name(), "A");
        EXPECT_EQ(form.Component(2)->Name(), "C");
        EXPECT_EQ(form.Component(1)->ComponentIndex(), 1);
        EXPECT_EQ(form.FindComponent("b"), form.Component(1)); // names ignore case
        EXPECT_EQ(form.FindComponent("D"), nullptr);
    }
    // C goes first; A and B hear of it; then B goes and A hears; then A.
    const std::vector<std::string> expected = {"A heard C", "B heard C",   "destroyed C",
                                               "A heard B", "destroyed B", "destroyed A"};
    EXPECT_EQ(log, expected);
}

TEST(Component, DestructionClearsReferencesInsideAndAcrossOwners) {
    TComponent form(nullptr);
    TComponent other(nullptr);
    Probe& keeper = MakeProbe(form, "Keeper");
    Probe& target = MakeProbe(form, "Target");
    Probe& outsider = MakeProbe(other, "Outsider");
    keeper.reference = &target;
    outsider.reference = &target;
    outsider.FreeNotification(target);

    form.DestroyComponent(target);
    EXPECT_EQ(keeper.reference, nullptr);   // a sibling hears through the owner
    EXPECT_EQ(outsider.reference, nullptr); // another owner's component hears by free notification
    EXPECT_EQ(form.ComponentCount(), 1);

    // A dropped link is not told again, and the link is mutual: the outsider going leaves nothing
    // dangling in the keeper.
    Probe& second = MakeProbe(form, "Second");
    outsider.FreeNotification(second);
    outsider.RemoveFreeNotification(second);
    outsider.reference = &second;
    form.DestroyComponent(second);
    EXPECT_EQ(outsider.reference, &second);
    keeper.FreeNotification(outsider);
    other.DestroyComponent(outsider);
    form.DestroyComponent(keeper);
    EXPECT_EQ(form.ComponentCount(), 0);
}

TEST(Component, HandlerDestroyingAnotherComponentDuringANoticeIsSafe) {
    std::vector<std::string> log;
    TComponent form(nullptr);
    Probe& a = MakeProbe(form, "A", &log);
    MakeProbe(form, "B", &log);
    Probe& c = MakeProbe(form, "C", &log);
    Probe& d = MakeProbe(form, "D", &log);
    a.destroyOnRemoval = &c; // A reacts to D's removal by destroying C, before C hears of D
    form.DestroyComponent(d);
    ASSERT_EQ(form.ComponentCount(), 2);
    EXPECT_EQ(form.Component(1)->Name(), "B");
    // D, still listed while it goes, hears of C too; C is not told of D once it is gone.
    const std::vector<std::string> expected = {"A heard D",   "A heard C", "B heard C",  "D heard C",
                                               "destroyed C", "B heard D", "destroyed D"};
    EXPECT_EQ(log, expected);
}

TEST(Component, NamesAreIdentifiersAndUniqueWithinTheirOwner) {
    TComponent form(nullptr);
    Probe& a = MakeProbe(form, "DetailBand1");
    Probe& b = MakeProbe(form, "DetailBand3");
    EXPECT_EQ(UniqueName(form, "DetailBand"), "DetailBand2");
    EXPECT_EQ(UniqueName(form, "TitleBand"), "TitleBand1");
    EXPECT_THROW(b.SetName("detailband1"), Exception);
    EXPECT_EQ(b.Name(), "DetailBand3");
    EXPECT_THROW(b.SetName("1Band"), Exception);
    EXPECT_THROW(b.SetName("Band 1"), Exception);
    a.SetName("");
    b.SetName("");
    EXPECT_EQ(UniqueName(form, "DetailBand"), "DetailBand1");
    b.SetName("_x9");
    EXPECT_EQ(b.Name(), "_x9");
}

TEST(Component, PlacementFollowsParentsAndEndsWithEitherSide) {
    std::vector<std::string> log;
    TComponent form(nullptr);
    Probe& report = MakeProbe(form, "Report", &log);
    Probe& band = MakeProbe(form, "Band", &log);
    Probe& label = MakeProbe(form, "Label", &log);
    band.SetParent(&report);
    label.SetParent(&band);
    EXPECT_THROW(report.SetParent(&label), Exception); // no placement cycle
    EXPECT_EQ(report.Parent(), nullptr);
    ASSERT_EQ(band.Children().size(), 1u);
    EXPECT_EQ(band.Children()[0], &label);

    log.clear();
    form.DestroyComponent(band); // its child is taken off before it goes
    EXPECT_EQ(label.Parent(), nullptr);
    EXPECT_TRUE(report.Children().empty());
    const std::vector<std::string> expected = {"Band lost Label", "Report lost Band", "Report heard Band",
                                               "Label heard Band", "destroyed Band"};
    EXPECT_EQ(log, expected);
}

TEST(Component, OwnershipMovesBetweenOwners) {
    TComponent first(nullptr);
    TComponent second(nullptr);
    Probe& a = MakeProbe(first, "A");
    MakeProbe(second, "A");
    std::unique_ptr<TComponent> released = first.RemoveComponent(a);
    ASSERT_EQ(released.get(), &a);
    EXPECT_EQ(a.Owner(), nullptr);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_THROW(second.InsertComponent(std::move(released)), Exception); // the name is taken there
    EXPECT_EQ(second.ComponentCount(), 1);
}

} // namespace
} // namespace quorvel
