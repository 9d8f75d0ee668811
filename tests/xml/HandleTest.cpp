// Sharing, counting and allocation of paired classes, through the test-only
// types (the message types are declared the same way).

#include "SampleTypes.h"
#include "support/CountingMemoryManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace kxsoa_test;
using Kestrune::Soa::Common::Xml::TryingToCreateNullHandle;

namespace {

int countOf(SampleItem const& item) { return item.getHandleObject().getRefCount(); }
int countOf(Sample const& sample) { return sample.getHandleObject().getRefCount(); }

}  // namespace

TEST(Handle, CopiesShareOneObjectAndSeeEachOthersChanges) {
    SampleItem first("a", false);
    EXPECT_EQ(countOf(first), 1);
    SampleItem copy(first);
    EXPECT_EQ(&copy.getHandleObject(), &first.getHandleObject());
    EXPECT_EQ(countOf(first), 2);
    copy->setName("changed");
    copy->getName() += "!";
    EXPECT_EQ(first->getName(), "changed!");
}

TEST(Handle, EnsureUnSharedGivesAPrivateShallowCopy) {
    SampleItem primary("p", true);
    SampleItem entry("e", false);
    Sample first("label", true, primary, ServiceData());
    first->addItem(entry);
    Sample copy(first);

    copy.ensureUnShared();
    EXPECT_NE(&copy.getHandleObject(), &first.getHandleObject());
    EXPECT_EQ(countOf(first), 1);
    EXPECT_EQ(countOf(copy), 1);
    copy->setLabel("mine");
    EXPECT_EQ(first->getLabel(), "label");
    EXPECT_TRUE(copy->getEnabled());
    // Structures stay shared with the source.
    EXPECT_EQ(&copy->getPrimary().getHandleObject(), &first->getPrimary().getHandleObject());
    EXPECT_EQ(&copy->getItemArray()[0].getHandleObject(), &entry.getHandleObject());
    copy->addNote("only in the copy");
    EXPECT_TRUE(first->getNoteArray().empty());
}

TEST(Handle, EnsureUnSharedOnTheSoleHolderKeepsItsObject) {
    SampleItem item("a", false);
    auto* const before = &item.getHandleObject();
    item.ensureUnShared();
    EXPECT_EQ(&item.getHandleObject(), before);
    EXPECT_EQ(countOf(item), 1);
}

TEST(Handle, EnsureUnSharedThatCannotCloneLeavesEverythingAsItWas) {
    CountingMemoryManager manager;
    ScopedMemoryManager installed(manager);
    SampleItem first("a", false);
    SampleItem copy(first);
    manager.refuseFrom = manager.allocations;
    EXPECT_THROW(copy.ensureUnShared(), TryingToCreateNullHandle);
    EXPECT_EQ(&copy.getHandleObject(), &first.getHandleObject());
    EXPECT_EQ(countOf(first), 2);
    EXPECT_EQ(copy->getName(), "a");
}

TEST(Handle, AssignmentCountsAndReleases) {
    CountingMemoryManager manager;
    ScopedMemoryManager installed(manager);
    SampleItem a("a", false);
    SampleItem b("b", false);
    SampleItem sameAsA(a);

    SampleItem& alsoA = a;
    a = alsoA;  // self-assignment
    a = sameAsA;
    EXPECT_EQ(countOf(a), 2);

    int const freedBefore = manager.deallocations;
    b = a;  // b held the last reference to its object
    EXPECT_EQ(manager.deallocations, freedBefore + 1);
    EXPECT_EQ(&b.getHandleObject(), &a.getHandleObject());
    EXPECT_EQ(countOf(a), 3);
    EXPECT_EQ(b->getName(), "a");
}

TEST(Allocation, WithAManagerEveryObjectGoesThroughItUnderItsTypeName) {
    CountingMemoryManager manager;
    {
        ScopedMemoryManager installed(manager);
        Sample sample;  // its own object, its nested item's and its service data's
        sample->addItem(SampleItem());
        sample->addObject(ModelObject("uid"));
        sample->getServiceData().addUpdatedObject(ModelObject());
        auto* onHeap = new SampleItem("x", true);
        delete onHeap;
        Sample clone(sample);
        clone.ensureUnShared();
    }
    EXPECT_EQ(manager.allocationsByType["kxsoa_test::SampleImpl"], 2);
    EXPECT_EQ(manager.allocationsByType["kxsoa_test::SampleItemImpl"], 3);
    EXPECT_EQ(manager.allocationsByType["kxsoa_test::SampleItem"], 1);
    // The host's handle classes are allocated the same way (the clone shares its service data).
    EXPECT_EQ(manager.allocationsByType["Kestrune::Schemas::Soa::_2006_03::Base::ModelObjectImpl"], 2);
    EXPECT_EQ(manager.allocationsByType["Kestrune::Schemas::Soa::_2006_03::Base::ServiceDataImpl"], 1);
    EXPECT_EQ(manager.live(), 0);
}

TEST(Allocation, AManagerThatGivesNothingMakesConstructorsThrow) {
    CountingMemoryManager manager;
    manager.refuseFrom = 0;
    ScopedMemoryManager installed(manager);
    EXPECT_THROW(SampleItem(), TryingToCreateNullHandle);
    EXPECT_THROW(SampleItem("a", true), TryingToCreateNullHandle);
    EXPECT_THROW(Sample(), TryingToCreateNullHandle);
    EXPECT_THROW(ModelObject(), TryingToCreateNullHandle);
    EXPECT_THROW(ModelObject("uid", "type"), TryingToCreateNullHandle);
    EXPECT_THROW(ServiceData(), TryingToCreateNullHandle);
    EXPECT_EQ(new SampleItem(), nullptr);  // a new expression yields null instead of constructing into it
    EXPECT_EQ(manager.deallocations, 0);
}

TEST(Allocation, PlacementForms) {
    std::unique_ptr<void, decltype(&std::free)> const buffer(std::malloc(sizeof(SampleItemImpl)), &std::free);
    void* const place = buffer.get();
    EXPECT_EQ(SampleItem::operator new(sizeof(SampleItem), place), place);
    EXPECT_EQ(SampleItem::operator new[](sizeof(SampleItem), place), place);

    CountingMemoryManager manager;
    ScopedMemoryManager installed(manager);
    EXPECT_EQ(SampleItemImpl::operator new(sizeof(SampleItemImpl), place), place);
    // Called through an opaque pointer: the compiler would take it for a
    // release of the malloc'ed buffer, which a placement release is not.
    void (*volatile const placementDelete)(void*, void*) = &SampleItemImpl::operator delete;
    placementDelete(place, place);
    EXPECT_EQ(manager.placementAllocations, 1);
    EXPECT_EQ(manager.placementDeallocations, 1);
    EXPECT_EQ(SampleItemImpl::operator new[](sizeof(SampleItemImpl), place), place);  // the manager is not asked
    EXPECT_EQ(manager.placementAllocations, 1);
}
