#pragma once

// Messages carried member by member into another type: the 2007-06
// requests and their records into their 2008-06 counterparts (upgrade) and
// back (downgrade), with the members paired by XML name.

#include "host/BaseObject.h"
#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "xml/Export.h"
#include "xml/Handle.h"

#include <cstddef>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

// The 2007-06 requests and their 2008-06 counterparts: the one place where
// the two versions are paired. Their records pair as the entries of their
// lists: ImportFromApplicationInputData with ImportFromApplicationInputData1,
// ExportToApplicationInputData with ExportToApplicationInputData1.
using VersionPairs =
    std::tuple<std::pair<Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationInput,
                         Schemas::Importexport::_2008_06::Fileimportexport::ImportFromApplicationInput>,
               std::pair<Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationInput,
                         Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInput>>;

// What becomes of a member that the type carried into has no member of its
// name for: it must hold its default (empty text, false, no entries), or it
// is dropped.
enum class Unmatched { MustHoldDefaults, Drop };

// Thrown when members that the type carried into has no member for hold
// values: paths() names each, in member order, as difference() does
// ("inputs[2].isLive", "inputs[0].objectTemplateOverride[1]"). Thrown by
// value; it has no base class, so catch it by its own name.
class KXSOA_VISIBLE_TYPE UnmatchedMembers {
public:
    UnmatchedMembers(std::string message, std::vector<std::string> paths)
        : m_message(std::move(message)), m_paths(std::move(paths)) {}

    std::string const& getMessage() const noexcept { return m_message; }
    std::vector<std::string> const& paths() const noexcept { return m_paths; }

private:
    std::string m_message;
    std::vector<std::string> m_paths;
};

namespace Detail {

template <class Request>
using RecordOf = typename std::decay_t<decltype(std::declval<Request const&>().getInputArray())>::value_type;

// T's counterpart on side `Side` of the pairs (0: 2007-06, 1: 2008-06), as
// a request or as a record of one; void when it has none.
template <class T, std::size_t Side, class Pairs = VersionPairs>
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

// Carries the members of `from` into `to` (see carry()).
KXSOAIMPORTEXPORT_EXPORT void carryMembers(BaseObject& from, TypeMembers const& fromMembers, BaseObject& to,
                                           TypeMembers const& toMembers, Unmatched unmatched);

}  // namespace Detail

// The 2008-06 type of a 2007-06 request or record, and the other way round;
// void for any other type.
template <class Older>
using Upgraded = typename Detail::Counterpart<Older, 1>::type;
template <class Newer>
using Downgraded = typename Detail::Counterpart<Newer, 0>::type;

// A new To holding what `message` holds, member by member, the members
// paired by XML name, recursively: text, flags and lists of them copied;
// business objects the same references; each structure (a record, an
// override, the service data) a new object. To's members that `message`'s
// type has no member of the name for keep their defaults; what `message`
// holds in members that To has none for is refused with UnmatchedMembers,
// unless `unmatched` drops it. Members of one name but of other kinds count
// as unmatched.
template <class To, class From>
To carry(From const& message, Unmatched unmatched = Unmatched::MustHoldDefaults) {
    To result;
    Detail::carryMembers(HandleAccess::object(message), HandleAccess::object(message).members(),
                         HandleAccess::object(result), HandleAccess::object(result).members(), unmatched);
    return result;
}

// The 2008-06 counterpart of a 2007-06 request or record: every member
// carried, the members that 2008-06 added at their defaults.
template <class Older>
Upgraded<Older> upgrade(Older const& older) {
    static_assert(!std::is_void_v<Upgraded<Older>>, "upgrade takes a 2007-06 request or record (VersionPairs)");
    return carry<Upgraded<Older>>(older);
}

// The 2007-06 counterpart of a 2008-06 request or record. The members that
// 2008-06 added must hold their defaults; otherwise UnmatchedMembers names
// every one that does not, or, with Unmatched::Drop, they are dropped.
template <class Newer>
Downgraded<Newer> downgrade(Newer const& newer, Unmatched unmatched = Unmatched::MustHoldDefaults) {
    static_assert(!std::is_void_v<Downgraded<Newer>>, "downgrade takes a 2008-06 request or record (VersionPairs)");
    return carry<Downgraded<Newer>>(newer, unmatched);
}

}  // namespace Kestrune::Soa::Common::Xml
