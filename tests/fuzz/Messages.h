#pragma once

// The fifteen message types of both schema versions, for the fuzz targets.

#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ExportToApplicationInputData.h"
#include "importexport/2007_06/ExportToApplicationResponse.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationInputData.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"
#include "importexport/2008_06/ConfiguredTemplate.h"
#include "importexport/2008_06/ExportTemplateInput.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/ExportToApplicationInputData1.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/ImportFromApplicationInputData1.h"
#include "importexport/2008_06/TemplateOverride.h"

#include "host/XmlStream.h"

#include <string>
#include <tuple>

namespace kxsoa_fuzz {

namespace v7 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v8 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

// One null pointer per type: `std::apply` over it visits every type.
using AllTypes =
    std::tuple<v7::ImportFromApplicationInputData*, v7::ImportFromApplicationInput*, v7::ImportFromApplicationResponse*,
               v7::ExportToApplicationInputData*, v7::ExportToApplicationInput*, v7::ExportToApplicationResponse*,
               v8::ImportFromApplicationInputData1*, v8::ImportFromApplicationInput*, v8::TemplateOverride*,
               v8::ExportToApplicationInputData1*, v8::ExportToApplicationInput*, v8::ExportTemplateInput*,
               v8::GetExportTemplatesInput*, v8::ConfiguredTemplate*, v8::GetExportTemplateResponse*>;

template <class T>
std::string written(T const& object) {
    Kestrune::Soa::Common::Xml::XmlStream stream;
    object.outputXML(stream, "m");
    return stream.str();
}

}  // namespace kxsoa_fuzz
