#include "host/BaseObject.h"

namespace Kestrune::Soa::Common::Xml {

BaseObject::BaseObject(char const* namespaceURI) : m_namespaceURI(namespaceURI) {}

BaseObject::BaseObject(BaseObject const& other) : m_namespaceURI(other.m_namespaceURI) {}

BaseObject::~BaseObject() = default;

void BaseObject::removeRef() noexcept {
    if (--m_refCount <= 0) delete this;
}

BaseObject* BaseObject::clone() const { return reallyClone(); }

}  // namespace Kestrune::Soa::Common::Xml
