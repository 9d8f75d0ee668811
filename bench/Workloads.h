#pragma once

// The messages the benchmarks write and read, built with deterministic
// content of realistic shape: uids, type names, attribute names and tickets
// of the lengths a real client sends, and a few values that need escaping.

#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"

#include <cstddef>

namespace kxsoa_bench {

namespace ie07 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace ie08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

// What one record of a message carries, for the allocation bound of
// reading: every object the reader creates may take one block, and every
// string longer than the standard library's inline buffer one more.
struct Contents {
    std::size_t objects = 0;      // implementation objects the reader creates
    std::size_t longStrings = 0;  // strings that do not fit the inline buffer
    std::size_t lists = 0;        // non-empty lists (each holds one block)
};

// W1 (and W1-small): `records` export records, each with `objects` business
// objects, `attributes` attribute names and `overrides` template overrides.
ie08::ExportToApplicationInput exportRequest(std::size_t records, std::size_t objects, std::size_t attributes,
                                             std::size_t overrides);
Contents contentsOf(ie08::ExportToApplicationInput const& request);

// W2: `names` names in each of the three string lists, `configured`
// configured templates split over the two lists, and a service data with a
// few partial errors and updated objects.
ie08::GetExportTemplateResponse templateResponse(std::size_t names, std::size_t configured);
Contents contentsOf(ie08::GetExportTemplateResponse const& response);

// W3: `records` import records.
ie07::ImportFromApplicationInput importRequest(std::size_t records);
Contents contentsOf(ie07::ImportFromApplicationInput const& request);

}  // namespace kxsoa_bench
