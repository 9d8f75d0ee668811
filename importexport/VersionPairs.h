#pragma once

// The 2007-06 requests and their records carried into their 2008-06
// counterparts (upgrade) and back (downgrade), member by member by XML name
// (carry, xml/Conversion.h).

#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "xml/Conversion.h"

#include <tuple>
#include <type_traits>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

/// The 2007-06 requests and their 2008-06 counterparts: the one place where
/// the two versions are paired. Their records pair as the entries of their
/// lists: ImportFromApplicationInputData with ImportFromApplicationInputData1,
/// ExportToApplicationInputData with ExportToApplicationInputData1.
using VersionPairs =
    std::tuple<std::pair<Schemas::Importexport::_2007_06::Fileimportexport::ImportFromApplicationInput,
                         Schemas::Importexport::_2008_06::Fileimportexport::ImportFromApplicationInput>,
               std::pair<Schemas::Importexport::_2007_06::Fileimportexport::ExportToApplicationInput,
                         Schemas::Importexport::_2008_06::Fileimportexport::ExportToApplicationInput>>;

/// The 2008-06 type of a 2007-06 request or record, and the other way round;
/// void for any other type.
template <class Older>
using Upgraded = Counterpart<Older, 1, VersionPairs>;
template <class Newer>
using Downgraded = Counterpart<Newer, 0, VersionPairs>;

/// The 2008-06 counterpart of a 2007-06 request or record: every member
/// carried, the members that 2008-06 added at their defaults.
template <class Older>
Upgraded<Older> upgrade(Older const& older) {
    static_assert(!std::is_void_v<Upgraded<Older>>, "upgrade takes a 2007-06 request or record (VersionPairs)");
    return carry<Upgraded<Older>>(older);
}

/// The 2007-06 counterpart of a 2008-06 request or record. The members that
/// 2008-06 added must hold their defaults; otherwise UnmatchedMembers names
/// every one that does not, or, with Unmatched::Drop, they are dropped.
template <class Newer>
Downgraded<Newer> downgrade(Newer const& newer, Unmatched unmatched = Unmatched::MustHoldDefaults) {
    static_assert(!std::is_void_v<Downgraded<Newer>>, "downgrade takes a 2008-06 request or record (VersionPairs)");
    return carry<Downgraded<Newer>>(newer, unmatched);
}

}  // namespace Kestrune::Soa::Common::Xml
