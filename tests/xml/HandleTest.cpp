// Sharing, counting and allocation of paired classes, through the 2008-06
// message types (every paired class is declared the same way).

#include "2008_06/Fixtures.h"
#include "support/CountingMemoryManager.h"

#include "importexport/2008_06/ExportToApplicationInputData1.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace kxsoa_test;
using namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Xml::HandleAccess;
using Kestrune::Soa::Common::Xml::TryingToCreateNullHandle;

namespace {

template <class T>
T const* objectOf(Kestrune::Soa::Common::Xml::Handle<T> const& handle) {
    return &HandleAccess::object(handle);
}
template <class T>
int countOf(Kestrune::Soa::Common::Xml::Handle<T> const& handle) {
    return HandleAccess::object(handle).getRefCount();
}

}  // namespace

TEST(Handle, CopiesShareOneObjectUntilEnsureUnSharedGivesOneAPrivateShallowCopy) {
    TemplateOverride entry("e", "", "");
    ExportToApplicationInputData1 first("f", "t", "");
    EXPECT_EQ(countOf(first), 1);
    first.addObjectTemplateOverride(entry);
    ExportToApplicationInputData1 copy(first);
    EXPECT_EQ(objectOf(copy), objectOf(first));
    EXPECT_EQ(countOf(first), 2);
    copy.getTemplateType() += "!";  // seen through every copy
    EXPECT_EQ(first.getTemplateType(), "t!");

    copy.ensureUnShared();
    auto const* const own = objectOf(copy);
    copy.ensureUnShared();  // now the sole holder: keeps its object
    EXPECT_NE(own, objectOf(first));
    EXPECT_EQ(objectOf(copy), own);
    EXPECT_EQ(countOf(first), 1);
    EXPECT_EQ(countOf(copy), 1);
    copy.setApplicationFormat("mine");
    EXPECT_EQ(first.getApplicationFormat(), "f");
    EXPECT_EQ(copy.getTemplateType(), "t!");
    copy.addAttributesToExport("only in the copy");
    EXPECT_TRUE(first.getAttributesToExportArray().empty());
    // Structures stay shared with the source.
    EXPECT_EQ(objectOf(copy.getObjectTemplateOverrideArray()[0]), objectOf(entry));
    GetExportTemplatesInput query;
    GetExportTemplatesInput unshared(query);
    unshared.ensureUnShared();
    EXPECT_EQ(objectOf(unshared.getFilter()), objectOf(query.getFilter()));
    // The host's own handles: a business object keeps its uid and type, service data its lists.
    ModelObject object("u", "T"), objectCopy(object);
    ServiceData const data = fullServiceData();
    ServiceData dataCopy(data);
    objectCopy.ensureUnShared();
    dataCopy.ensureUnShared();
    EXPECT_EQ((Strings{objectCopy.getUid(), objectCopy.getType()}), (Strings{"u", "T"}));
    EXPECT_EQ(dataCopy.getPartialErrors(), data.getPartialErrors());
    EXPECT_EQ(dataCopy.getUpdatedObjects().size(), 2u);
}

TEST(Handle, AssignmentCountsAndReleases) {
    CountingMemoryManager manager;
    ScopedMemoryManager installed(manager);
    TemplateOverride a("a", "", ""), b("b", "", ""), sameAsA(a);
    TemplateOverride& alsoA = a;
    a = alsoA;  // self-assignment
    a = sameAsA;
    EXPECT_EQ(countOf(a), 2);
    b = a;  // b held the last reference to its object
    EXPECT_EQ(manager.deallocations, 1);
    EXPECT_EQ(objectOf(b), objectOf(a));
    EXPECT_EQ(countOf(a), 3);
    EXPECT_EQ(b.getBusinessObjectType(), "a");
}

TEST(Allocation, WithAManagerEveryObjectGoesThroughItUnderItsTypeName) {
    CountingMemoryManager manager;
    {
        ScopedMemoryManager installed(manager);
        CountingMemoryManager inner;
        ScopedMemoryManager{inner};     // installed over it and undone at once: the one before is back
        GetExportTemplatesInput query;  // its own object and its filter's
        GetExportTemplateResponse response;  // its own object and its service data's
        response.addConfiguredSpecTemplate(ConfiguredTemplate());
        response.getServiceData().addUpdatedObject(ModelObject("uid"));
        response.getServiceData().addUpdatedObject(ModelObject());
        auto* onHeap = new ExportTemplateInput();
        delete onHeap;
        GetExportTemplateResponse clone(response);
        clone.ensureUnShared();
    }
    EXPECT_EQ(manager.allocationsByType[typePrefix + "GetExportTemplatesInputImpl"], 1);
    EXPECT_EQ(manager.allocationsByType[typePrefix + "ExportTemplateInputImpl"], 2);
    EXPECT_EQ(manager.allocationsByType[typePrefix + "ExportTemplateInput"], 1);
    EXPECT_EQ(manager.allocationsByType[typePrefix + "GetExportTemplateResponseImpl"], 2);
    EXPECT_EQ(manager.allocationsByType[typePrefix + "ConfiguredTemplateImpl"], 1);
    // The host's handle classes are allocated the same way (the clone shares its service data).
    EXPECT_EQ(manager.allocationsByType["Kestrune::Schemas::Soa::_2006_03::Base::ModelObjectImpl"], 2);
    EXPECT_EQ(manager.allocationsByType["Kestrune::Schemas::Soa::_2006_03::Base::ServiceDataImpl"], 1);
    EXPECT_EQ(manager.live(), 0);
}

TEST(Allocation, AManagerThatGivesNothingMakesConstructorsAndUnsharingThrow) {
    for (bool const throws : {false, true}) {  // it returns null, or throws
        CountingMemoryManager manager;
        manager.refuseByThrowing = throws;
        ScopedMemoryManager installed(manager);
        TemplateOverride first("a", "", "");
        TemplateOverride copy(first);
        manager.refuseFrom = manager.allocations;
        EXPECT_THROW(copy.ensureUnShared(), TryingToCreateNullHandle);  // leaving the handle and counts as they were
        EXPECT_EQ(objectOf(copy), objectOf(first));
        EXPECT_EQ(countOf(first), 2);
        EXPECT_THROW(TemplateOverride(), TryingToCreateNullHandle);
        EXPECT_THROW(TemplateOverride("a", "", ""), TryingToCreateNullHandle);
        EXPECT_THROW(GetExportTemplatesInput(), TryingToCreateNullHandle);
        EXPECT_THROW(ModelObject(), TryingToCreateNullHandle);
        EXPECT_THROW(ModelObject("uid", "type"), TryingToCreateNullHandle);
        EXPECT_THROW(ServiceData(), TryingToCreateNullHandle);
        EXPECT_EQ(new TemplateOverride(), nullptr);  // a new expression yields null instead of constructing into it
        EXPECT_EQ(manager.deallocations, 0);
    }
}

TEST(Allocation, PlacementForms) {
    std::unique_ptr<void, decltype(&std::free)> const buffer(std::malloc(sizeof(TemplateOverrideImpl)), &std::free);
    void* const place = buffer.get();
    EXPECT_EQ(TemplateOverride::operator new(sizeof(TemplateOverride), place), place);
    EXPECT_EQ(TemplateOverride::operator new[](sizeof(TemplateOverride), place), place);

    CountingMemoryManager manager;
    ScopedMemoryManager installed(manager);
    EXPECT_EQ(TemplateOverrideImpl::operator new(sizeof(TemplateOverrideImpl), place), place);
    // Called through an opaque pointer: the compiler would take it for a
    // release of the malloc'ed buffer, which a placement release is not.
    void (*volatile const placementDelete)(void*, void*) = &TemplateOverrideImpl::operator delete;
    placementDelete(place, place);
    EXPECT_EQ(manager.placementAllocations, 1);
    EXPECT_EQ(manager.placementDeallocations, 1);
    EXPECT_EQ(TemplateOverrideImpl::operator new[](sizeof(TemplateOverrideImpl), place), place);  // the manager is not asked
    EXPECT_EQ(manager.placementAllocations, 1);
    // A manager that throws has no place to give either; its throw from a release goes no further.
    manager.placementThrows = true;
    EXPECT_EQ(TemplateOverrideImpl::operator new(sizeof(TemplateOverrideImpl), place), nullptr);
    placementDelete(place, place);
    EXPECT_EQ(manager.placementDeallocations, 1);
}
