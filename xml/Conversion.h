#pragma once

// A message carried member by member into another paired class, the members
// paired by XML name; and the counterparts of a list of pairs of requests
// (importexport/VersionPairs.h pairs the two schema versions' requests).

#include "host/BaseObject.h"
#include "host/DomException.h"
#include "xml/Export.h"
#include "xml/Handle.h"
#include "xml/Request.h"

#include <cstddef>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

struct TypeMembers;

/// What becomes of a member that the type carried into has no member of its
/// name for: it must hold its default (empty text, false, no entries), or it
/// is dropped.
enum class Unmatched { MustHoldDefaults, Drop };

/// Thrown when members that the type carried into has no member for hold
/// values (kind ErrorKind::Unmatched): paths() names each, in member order, as
/// difference() does ("inputs[2].isLive", "inputs[0].objectTemplateOverride[1]").
class KXSOA_VISIBLE_TYPE UnmatchedMembers : public Exceptions::DomException {
public:
    UnmatchedMembers(std::string const& message, std::vector<std::string> paths)
        : DomException(message, Exceptions::ErrorKind::Unmatched), m_paths(std::move(paths)) {}

    std::vector<std::string> const& paths() const noexcept { return m_paths; }

private:
    std::vector<std::string> m_paths;
};

namespace Detail {

template <class T, std::size_t Side, class Pairs>
struct Counterpart {
    using type = void;
};
template <class T, std::size_t Side, class Pair, class... Rest>
struct Counterpart<T, Side, std::tuple<Pair, Rest...>> {
    using From = std::tuple_element_t<1 - Side, Pair>;
    using To = std::tuple_element_t<Side, Pair>;
    using type = std::conditional_t<std::is_same_v<T, From>, To,
                                    std::conditional_t<std::is_same_v<T, RecordOf<From>>, RecordOf<To>,
                                                       typename Counterpart<T, Side, std::tuple<Rest...>>::type>>;
};

/// Carries the members of `from` into `to` (see carry()).
KXSOAIMPORTEXPORT_EXPORT void carryMembers(BaseObject& from, TypeMembers const& fromMembers, BaseObject& to,
                                           TypeMembers const& toMembers, Unmatched unmatched);

}  // namespace Detail

/// T's counterpart on side `Side` (0 or 1) of Pairs, a std::tuple of
/// std::pairs of requests, as a request or as a record of one (the records
/// of two paired requests pair too); void when it has none.
template <class T, std::size_t Side, class Pairs>
using Counterpart = typename Detail::Counterpart<T, Side, Pairs>::type;

/// A new To holding what `message` holds, member by member, the members
/// paired by XML name, recursively: text, flags and lists of them copied;
/// business objects the same references; each structure (a record, an
/// override, the service data) a new object. To's members that `message`'s
/// type has no member of the name for keep their defaults; what `message`
/// holds in members that To has none for is refused with UnmatchedMembers,
/// unless `unmatched` drops it. Members of one name but of other kinds count
/// as unmatched.
template <class To, class From>
To carry(From const& message, Unmatched unmatched = Unmatched::MustHoldDefaults) {
    To result;
    Detail::carryMembers(HandleAccess::object(message), HandleAccess::object(message).members(),
                         HandleAccess::object(result), HandleAccess::object(result).members(), unmatched);
    return result;
}

}  // namespace Kestrune::Soa::Common::Xml
