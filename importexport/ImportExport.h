#pragma once

// The whole public interface of both libraries in one include: the host
// layer (writer, reader, memory manager, probes, business objects, service
// data, exceptions), the handle, the one-call write and read, the reader
// straight into messages (of a known type, or of one of several), the
// writer of a request record by record, carrying a message into another
// type, full samples, the fifteen message types of both schema versions,
// their one list and a message of any of them, and the carrying of requests
// between the versions. The build checks that no public header is missing
// here.

#include "host/BaseNamespace.h"
#include "host/BaseObject.h"
#include "host/ClassAllocation.h"
#include "host/DomException.h"
#include "host/Export.h"
#include "host/LexicalCast.h"
#include "host/MemoryManager.h"
#include "host/ModelObject.h"
#include "host/Monitor.h"
#include "host/ServiceData.h"
#include "host/XMLNode.h"
#include "host/XmlBinder.h"
#include "host/XmlDocument.h"
#include "host/XmlEvents.h"
#include "host/XmlMessageSource.h"
#include "host/XmlReadLimits.h"
#include "host/XmlReader.h"
#include "host/XmlRules.h"
#include "host/XmlStream.h"
#include "host/XmlString.h"
#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ExportToApplicationInputData.h"
#include "importexport/2007_06/ExportToApplicationResponse.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationInputData.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"
#include "importexport/2007_06/SchemaNamespace.h"
#include "importexport/2008_06/ConfiguredTemplate.h"
#include "importexport/2008_06/ExportTemplateInput.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/ExportToApplicationInputData1.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/ImportFromApplicationInputData1.h"
#include "importexport/2008_06/SchemaNamespace.h"
#include "importexport/2008_06/TemplateOverride.h"
#include "importexport/AnyMessage.h"
#include "importexport/Requests.h"
#include "importexport/VersionPairs.h"
#include "xml/Content.h"
#include "xml/Conversion.h"
#include "xml/Export.h"
#include "xml/Handle.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"
#include "xml/OneOf.h"
#include "xml/ReadOptions.h"
#include "xml/Request.h"
#include "xml/RequestWriter.h"
#include "xml/Sample.h"
