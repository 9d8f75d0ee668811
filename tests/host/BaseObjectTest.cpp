#include "host/BaseObject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using Kestrune::Soa::Common::Xml::BaseObject;

struct Plain : BaseObject {
    explicit Plain(char const* uri) : BaseObject(uri) {}
    Plain(Plain const& other) = default;
    BaseObject* reallyClone() const override { return new Plain(*this); }
};

TEST(BaseObject, ObjectsWithOneNamespaceShareOneStringWhateverTheTextCameFrom) {
    char buffer[] = "urn:shared";
    Plain const a("urn:shared"), c("urn:other"), b(buffer);
    EXPECT_EQ(a.getNamespaceURI(), "urn:shared");
    EXPECT_EQ(&a.getNamespaceURI(), &b.getNamespaceURI());
    EXPECT_EQ(c.getNamespaceURI(), "urn:other");
    std::unique_ptr<BaseObject> const clone(a.clone());
    EXPECT_EQ(&clone->getNamespaceURI(), &a.getNamespaceURI());

    // The same address with other text (here only its last byte) is another namespace.
    std::strcpy(buffer, "urn:sharec");
    Plain const d(buffer);
    EXPECT_EQ(d.getNamespaceURI(), "urn:sharec");
    EXPECT_EQ(b.getNamespaceURI(), "urn:shared");
    EXPECT_EQ(Plain(nullptr).getNamespaceURI(), "");
}

}  // namespace
