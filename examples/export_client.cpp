// The client side of an export: a 2008-06 export request with two records,
// each naming the business objects and attributes to export and a template
// override for one business-object type, written as XML on standard output.

#include "host/DomException.h"
#include "host/ModelObject.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "xml/Message.h"

#include <iostream>

namespace ie = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::writeMessage;

int main() {
    // Parts go to a spreadsheet with the parts template, except folders,
    // which get a template of their own.
    ie::ExportToApplicationInputData1 parts("xlsx", "excel", "parts-sheet");
    parts.addObjectsToExport(ModelObject("QkXA7h2", "Item"));
    parts.addObjectsToExport(ModelObject("QkXA7h3", "Item"));
    parts.addObjectsToExport(ModelObject("Rm0bY41", "Folder"));
    parts.addAttributesToExport("object_name");
    parts.addAttributesToExport("item_id");
    parts.addObjectTemplateOverride(ie::TemplateOverride("Folder", "excel", "folder-sheet"));

    // A second record: one document, exported as text with the default template.
    ie::ExportToApplicationInputData1 notes("txt", "text", "");
    notes.addObjectsToExport(ModelObject("Xn55qPa", "Document"));
    notes.addAttributesToExport("object_desc");

    ie::ExportToApplicationInput request;
    request.addInput(parts);
    request.addInput(notes);

    try {
        // Named after its type, the root is what the schema declares.
        std::cout << writeMessage(request, "ExportToApplicationInput") << '\n';
        return 0;
    } catch (DomException const& e) {
        std::cerr << "export_client: " << e.getMessage() << '\n';
        return 1;
    }
}
