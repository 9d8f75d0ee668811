#pragma once

// The writing baseline: the same bytes as the library writes, appended by
// hand to a std::string, with the library's escaping of values
// (appendXmlString, one scan and one append when nothing needs escaping).
// It knows each message's shape in advance, so it does no name checks, no
// prefix lookups and no scope tracking: what writing costs at the least.

#include "Workloads.h"

#include <string>

namespace kxsoa_bench {

void handWrite(std::string& out, ie08::ExportToApplicationInput const& request, std::string const& elementName);
void handWrite(std::string& out, ie08::GetExportTemplateResponse const& response, std::string const& elementName);
void handWrite(std::string& out, ie07::ImportFromApplicationInput const& request, std::string const& elementName);

}  // namespace kxsoa_bench
