#pragma once

// A baseline of the benchmark: what a C++ programmer writes for the W1
// message (an ExportToApplicationInput request of 2008-06) instead of using
// the binding. Reading is pugixml's load_buffer with its default options and
// every value copied by hand into plain structs; writing builds a pugixml
// document node by node and saves it raw.
//
// What it does not check, where the binding does:
// - namespaces: elements are matched by their local name (what follows the
//   prefix), whatever their prefix is bound to, bound or not;
// - limits: no bound on depth, sizes or counts;
// - not all of well-formedness: pugixml takes duplicate attributes, control
//   characters and unknown entity references (kept as text);
// - the content model: unknown elements and attributes are skipped, missing
//   attributes read as empty, children are taken in any order.
// With the default options, text of white space alone reads as empty, and
// only the first run of an element's text is read.
//
// Escaping on writing differs from the library's for characters that W1's
// values do not hold: in attributes pugixml leaves ' and > as they are and
// writes a tab as &#09; (the library: &apos; &gt; &#9;); in text it leaves
// " ' tab LF CR as they are (the library: &quot; &apos; &#9; &#10; &#13;).
// checkPugixmlBinding reports it for a request whose values hold them.

#include "Workloads.h"

#include <string>
#include <string_view>
#include <vector>

namespace kxsoa_bench {

struct PlainObject {
    std::string uid, type;
};

struct PlainOverride {
    std::string businessObjectType, templateType, templateId;
};

struct PlainRecord {
    std::string applicationFormat, templateType, templateId;
    std::vector<PlainObject> objectsToExport;
    std::vector<std::string> attributesToExport;
    std::vector<PlainOverride> objectTemplateOverrides;
};

struct PlainExportRequest {
    std::vector<PlainRecord> inputs;
};

bool operator==(PlainObject const& a, PlainObject const& b);
bool operator==(PlainOverride const& a, PlainOverride const& b);
bool operator==(PlainRecord const& a, PlainRecord const& b);
bool operator==(PlainExportRequest const& a, PlainExportRequest const& b);

// `xml` read with load_buffer (default options) and every value extracted
// into `out` (cleared first). False when pugixml refuses the text or its root
// is not an ExportToApplicationInput.
bool pugixmlBind(std::string_view xml, PlainExportRequest& out);

// `request` built as a pugixml document node by node and saved with
// format_raw and no declaration into `out`, which it replaces (keeping its
// capacity): the library's bytes for the same content, escaping aside.
void pugixmlWrite(PlainExportRequest const& request, std::string& out);

// The plain copy of a library message.
PlainExportRequest plainOf(ie08::ExportToApplicationInput const& request);

// Empty when both baselines agree with the library on `request`: pugixmlBind
// of the library's text gives plainOf(request), and pugixmlWrite of that
// gives the library's bytes. Else what differs first (difference() of TextDifference.h for the bytes).
std::string checkPugixmlBinding(ie08::ExportToApplicationInput const& request);

}  // namespace kxsoa_bench
