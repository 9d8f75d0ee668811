#include "HandWriter.h"

#include "host/BaseNamespace.h"
#include "host/XmlString.h"
#include "importexport/2007_06/SchemaNamespace.h"
#include "importexport/2008_06/SchemaNamespace.h"

#include <cstddef>
#include <string_view>

namespace kxsoa_bench {

using Kestrune::Schemas::Soa::_2006_03::Base::baseNamespaceURI;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;
using Kestrune::Soa::Common::Xml::appendXmlString;

namespace {

template <std::size_t N>
void put(std::string& out, char const (&literal)[N]) {
    out.append(literal, N - 1);
}

// ` name="value"`, the value escaped.
template <std::size_t N>
void attribute(std::string& out, char const (&name)[N], std::string_view value) {
    out += ' ';
    put(out, name);
    put(out, "=\"");
    appendXmlString(out, value);
    out += '"';
}

// The writer's conventions for where namespaces are declared and which
// prefix an element carries live in the functions of this block alone. The
// message's own namespace is always "ns1" and is declared on the root; the
// base namespace (business objects, service data) is "ns2" on the root when
// the message holds any. Business-object children keep "ns1": they are the
// message's local elements. The service data takes the message's namespace
// as its default; its own children are in the base namespace.

// "<ns1:name" with the root's declarations.
void openRoot(std::string& out, std::string_view name, std::string_view uri, bool declaresBase) {
    put(out, "<ns1:");
    out += name;
    put(out, " xmlns:ns1=\"");
    out += uri;
    out += '"';
    if (declaresBase) {
        put(out, " xmlns:ns2=\"");
        out += baseNamespaceURI;
        out += '"';
    }
}

// A business object written as a child of a message's element.
template <std::size_t N>
void businessObject(std::string& out, char const (&name)[N], ModelObject const& object) {
    put(out, "<ns1:");
    put(out, name);
    attribute(out, "uid", object.getUid());
    attribute(out, "type", object.getType());
    put(out, "/>");
}

// The service data inside a message.
void serviceData(std::string& out, ServiceData const& data, std::string_view messageURI) {
    put(out, "<ServiceData xmlns=\"");
    out += messageURI;
    put(out, "\">");
    for (std::string const& message : data.getPartialErrors()) {
        put(out, "<ns2:partialErrors");
        attribute(out, "message", message);
        put(out, "/>");
    }
    for (ModelObject const& object : data.getUpdatedObjects()) {
        put(out, "<ns2:updated");
        attribute(out, "uid", object.getUid());
        attribute(out, "type", object.getType());
        put(out, "/>");
    }
    put(out, "</ServiceData>");
}

// The end of the conventions.

void closeRoot(std::string& out, std::string_view name) {
    put(out, "</ns1:");
    out += name;
    out += '>';
}

// "<ns1:name>text</ns1:name>" for each entry of a string list.
template <std::size_t N>
void stringList(std::string& out, char const (&name)[N], std::vector<std::string> const& list) {
    for (std::string const& text : list) {
        put(out, "<ns1:");
        put(out, name);
        out += '>';
        appendXmlString(out, text);
        put(out, "</ns1:");
        put(out, name);
        out += '>';
    }
}

template <std::size_t N>
void configuredTemplates(std::string& out, char const (&name)[N], std::vector<ie08::ConfiguredTemplate> const& list) {
    for (ie08::ConfiguredTemplate const& t : list) {
        put(out, "<ns1:");
        put(out, name);
        attribute(out, "businessObjectType", t.getBusinessObjectType());
        attribute(out, "templateName", t.getTemplateName());
        attribute(out, "templateType", t.getTemplateType());
        put(out, "/>");
    }
}

}  // namespace

void handWrite(std::string& out, ie08::ExportToApplicationInput const& request, std::string const& elementName) {
    bool hasObjects = false;
    for (ie08::ExportToApplicationInputData1 const& record : request.getInputArray())
        hasObjects = hasObjects || !record.getObjectsToExportArray().empty();
    openRoot(out, elementName, ie08::schemaNamespaceURI, hasObjects);
    out += '>';
    for (ie08::ExportToApplicationInputData1 const& record : request.getInputArray()) {
        put(out, "<ns1:inputs");
        attribute(out, "applicationFormat", record.getApplicationFormat());
        attribute(out, "templateType", record.getTemplateType());
        attribute(out, "templateId", record.getTemplateId());
        out += '>';
        for (ModelObject const& object : record.getObjectsToExportArray())
            businessObject(out, "objectsToExport", object);
        stringList(out, "attributesToExport", record.getAttributesToExportArray());
        for (ie08::TemplateOverride const& o : record.getObjectTemplateOverrideArray()) {
            put(out, "<ns1:objectTemplateOverride");
            attribute(out, "businessObjectType", o.getBusinessObjectType());
            attribute(out, "templateType", o.getTemplateType());
            attribute(out, "templateId", o.getTemplateId());
            put(out, "/>");
        }
        put(out, "</ns1:inputs>");
    }
    closeRoot(out, elementName);
}

void handWrite(std::string& out, ie08::GetExportTemplateResponse const& response, std::string const& elementName) {
    openRoot(out, elementName, ie08::schemaNamespaceURI, true);
    out += '>';
    stringList(out, "specTemplates", response.getSpecTemplateArray());
    stringList(out, "objectTemplats", response.getObjectTemplatArray());
    stringList(out, "excelTemplates", response.getExcelTemplateArray());
    configuredTemplates(out, "configuredSpecTemplates", response.getConfiguredSpecTemplateArray());
    configuredTemplates(out, "configuredObjectTemplates", response.getConfiguredObjectTemplateArray());
    serviceData(out, response.getServiceData(), ie08::schemaNamespaceURI);
    closeRoot(out, elementName);
}

void handWrite(std::string& out, ie07::ImportFromApplicationInput const& request, std::string const& elementName) {
    openRoot(out, elementName, ie07::schemaNamespaceURI, false);
    out += '>';
    for (ie07::ImportFromApplicationInputData const& record : request.getInputArray()) {
        put(out, "<ns1:inputs");
        attribute(out, "applicationFormat", record.getApplicationFormat());
        attribute(out, "createSpecElementType", record.getCreateSpecElementType());
        attribute(out, "transientFileWriteTicket", record.getTransientFileWriteTicket());
        put(out, "/>");
    }
    closeRoot(out, elementName);
}

}  // namespace kxsoa_bench
