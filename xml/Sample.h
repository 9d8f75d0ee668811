#pragma once

// A message of any paired class with every member set: for tests,
// demonstrations and examples, where each member must show in the text.

#include "xml/Export.h"
#include "xml/Handle.h"

#include <cstddef>

namespace Kestrune::Soa::Common::Xml {

struct TypeMembers;

namespace Detail {

/// Sets every member of `object` (see makeSample), its texts numbered `n`.
KXSOAIMPORTEXPORT_EXPORT void fillSample(BaseObject& object, TypeMembers const& members, std::size_t entries,
                                         std::size_t n);

}  // namespace Detail

/// A new Message with every member set, the same for the same arguments:
/// each text "<XML name>-1", each flag true, each list with `entries`
/// entries (a text "<XML name>-<place>", from 1; a business object of that
/// uid and the type "Item"; a structure filled the same way, its texts
/// numbered by its place), each nested structure filled the same way (its
/// texts numbered as its holder's), and the service data with `entries` partial errors ("partialErrors-<place>")
/// and updated objects ("updated-<place>"). A type's members and another's
/// of the same XML names hold the same values.
template <class Message>
Message makeSample(std::size_t entries) {
    Message message;
    ImplOf<Message>& object = HandleAccess::object(message);
    Detail::fillSample(object, object.members(), entries, 1);
    return message;
}

}  // namespace Kestrune::Soa::Common::Xml
