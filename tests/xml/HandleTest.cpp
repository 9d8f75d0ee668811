// Sharing, counting and allocation of paired classes, through the 2008-06
// message types (every paired class is declared the same way).

#include "2008_06/Fixtures.h"
#include "support/CountingMemoryManager.h"

#include "host/BaseNamespace.h"
#include "importexport/2008_06/ExportToApplicationInputData1.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "importexport/2008_06/SchemaNamespace.h"

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
    // Assigned to itself, a handle keeps its object; assigned over the last
    // holder of another, it releases that one (LeakSanitizer sees a leak).
    TemplateOverride a("a", "", ""), b("b", "", "");
    TemplateOverride& alsoA = a;
    a = alsoA;
    b = a;
    EXPECT_EQ(objectOf(b), objectOf(a));
    EXPECT_EQ(countOf(a), 2);
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

// Every object of a namespace holds the process's one copy of its URI,
// whether made empty (as a read makes it), with values, or copied.
TEST(Handle, ObjectsOfANamespaceShareOneCopyOfItsUri) {
    TemplateOverride const empty, valued("b", "t", "i");
    TemplateOverride copied(valued);
    copied.ensureUnShared();
    std::string const& uri = objectOf(empty)->getNamespaceURI();
    EXPECT_EQ(uri, Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::schemaNamespaceURI);
    EXPECT_EQ(&objectOf(valued)->getNamespaceURI(), &uri);
    EXPECT_EQ(&objectOf(copied)->getNamespaceURI(), &uri);
    ModelObject const object, objectValued("u", "T");
    std::string const& base = objectOf(object)->getNamespaceURI();
    EXPECT_EQ(base, Kestrune::Schemas::Soa::_2006_03::Base::baseNamespaceURI);
    EXPECT_EQ(&objectOf(objectValued)->getNamespaceURI(), &base);
    EXPECT_EQ(&objectOf(ServiceData())->getNamespaceURI(), &base);
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
    EXPECT_EQ(TemplateOverrideImpl::operator new[](sizeof(TemplateOverrideImpl), place),
              place);  // the manager is not asked
    EXPECT_EQ(manager.placementAllocations, 1);
    // A manager that throws has no place to give either; its throw from a release goes no further.
    manager.placementThrows = true;
    EXPECT_EQ(TemplateOverrideImpl::operator new(sizeof(TemplateOverrideImpl), place), nullptr);
    placementDelete(place, place);
    EXPECT_EQ(manager.placementDeallocations, 1);
}
