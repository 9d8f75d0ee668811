#include "importexport/ImportExport.h"

#include <iostream>

namespace v7 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v8 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Xml::downgrade;
using Kestrune::Soa::Common::Xml::Unmatched;
using Kestrune::Soa::Common::Xml::UnmatchedMembers;
using Kestrune::Soa::Common::Xml::upgrade;

int main() {
    std::cout << std::boolalpha;
    v7::ExportToApplicationInput older;
    older.addInput(v7::ExportToApplicationInputData("xlsx", "T-1"));
    older.addInput(v7::ExportToApplicationInputData("csv", "T-2"));

    // Every member carried; the members that 2008-06 added at their defaults.
    v8::ExportToApplicationInput const newer = upgrade(older);
    std::cout << newer.getInputArray()[1].getTemplateId() << " " << newer.getInputArray()[1].getTemplateType().empty()
              << '\n';

    // Back to 2007-06: the same content, while the added members hold their defaults.
    std::cout << downgrade(newer).sameContent(older) << '\n';

    v8::ExportToApplicationInputData1 second = newer.getInputArray()[1];  // the request's record, shared
    second.setTemplateType("excel");
    second.addObjectTemplateOverride(v8::TemplateOverride("Item", "excel", "T-3"));
    try {
        downgrade(newer);
    } catch (UnmatchedMembers const& e) {  // each member that 2007-06 does not have and that holds a value
        for (std::string const& path : e.paths()) std::cout << path << '\n';
    }
    // Or asked for: what 2007-06 has no member for is dropped.
    std::cout << downgrade(newer, Unmatched::Drop).sameContent(older) << '\n';
}
