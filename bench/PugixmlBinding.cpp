#include "PugixmlBinding.h"
#include "TextDifference.h"

#include "xml/Message.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <exception>
#include <utility>

namespace kxsoa_bench {

bool operator==(PlainObject const& a, PlainObject const& b) { return a.uid == b.uid && a.type == b.type; }

bool operator==(PlainOverride const& a, PlainOverride const& b) {
    return a.businessObjectType == b.businessObjectType && a.templateType == b.templateType &&
           a.templateId == b.templateId;
}

bool operator==(PlainRecord const& a, PlainRecord const& b) {
    return a.applicationFormat == b.applicationFormat && a.templateType == b.templateType &&
           a.templateId == b.templateId && a.objectsToExport == b.objectsToExport &&
           a.attributesToExport == b.attributesToExport && a.objectTemplateOverrides == b.objectTemplateOverrides;
}

bool operator==(PlainExportRequest const& a, PlainExportRequest const& b) { return a.inputs == b.inputs; }

namespace {

char const kExportNamespace[] = "http://" KXSOA_NAMESPACE_HOST "/Schemas/ImportExport/2008-06/FileImportExport";
char const kBaseNamespace[] = "http://" KXSOA_NAMESPACE_HOST "/Schemas/Soa/2006-03/Base";

// True when `node`'s name, without its prefix, is `local`.
bool hasLocalName(pugi::xml_node node, char const* local) {
    char const* name = node.name();
    if (char const* colon = std::strchr(name, ':')) name = colon + 1;
    return std::strcmp(name, local) == 0;
}

// The lists grow as they are read: sizing them first by a pass over the
// children costs more, at W1's sizes, than the few reallocations it saves.
void bindRecord(pugi::xml_node input, PlainRecord& record) {
    record.applicationFormat = input.attribute("applicationFormat").value();
    record.templateType = input.attribute("templateType").value();
    record.templateId = input.attribute("templateId").value();
    for (pugi::xml_node child = input.first_child(); child; child = child.next_sibling()) {
        if (hasLocalName(child, "objectsToExport"))
            record.objectsToExport.push_back(
                PlainObject{child.attribute("uid").value(), child.attribute("type").value()});
        else if (hasLocalName(child, "attributesToExport"))
            record.attributesToExport.emplace_back(child.child_value());
        else if (hasLocalName(child, "objectTemplateOverride"))
            record.objectTemplateOverrides.push_back(PlainOverride{child.attribute("businessObjectType").value(),
                                                                   child.attribute("templateType").value(),
                                                                   child.attribute("templateId").value()});
    }
}

// Hands pugixml's output on to a string.
class StringWriter : public pugi::xml_writer {
public:
    explicit StringWriter(std::string& out) : m_out(out) {}
    void write(void const* data, std::size_t size) override { m_out.append(static_cast<char const*>(data), size); }

private:
    std::string& m_out;
};

void addAttribute(pugi::xml_node node, char const* name, std::string const& value) {
    node.append_attribute(name).set_value(value.data(), value.size());
}

// An empty run of text, so that pugixml writes <a></a> as the library does
// for an element that may have content, instead of <a/>.
void keepOpen(pugi::xml_node node) { node.append_child(pugi::node_pcdata); }

// True when byte `at` of `text` is within a reference ("&...;").
bool inReference(std::string const& text, std::size_t at) {
    std::size_t const ampersand = text.rfind('&', at);
    return ampersand != std::string::npos && text.find(';', ampersand) >= at;
}

}  // namespace

bool pugixmlBind(std::string_view xml, PlainExportRequest& out) {
    out.inputs.clear();
    pugi::xml_document document;
    if (!document.load_buffer(xml.data(), xml.size())) return false;
    pugi::xml_node const root = document.document_element();
    if (!hasLocalName(root, "ExportToApplicationInput")) return false;
    // The records are counted first (one cheap pass), so that they are never moved.
    std::size_t records = 0;
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling())
        records += hasLocalName(child, "inputs") ? 1 : 0;
    out.inputs.reserve(records);
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        if (!hasLocalName(child, "inputs")) continue;
        out.inputs.emplace_back();
        bindRecord(child, out.inputs.back());
    }
    return true;
}

void pugixmlWrite(PlainExportRequest const& request, std::string& out) {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("ns1:ExportToApplicationInput");
    root.append_attribute("xmlns:ns1").set_value(kExportNamespace);
    // The base namespace is declared when a business object is written.
    bool const hasObjects = std::any_of(request.inputs.begin(), request.inputs.end(),
                                        [](PlainRecord const& r) { return !r.objectsToExport.empty(); });
    if (hasObjects) root.append_attribute("xmlns:ns2").set_value(kBaseNamespace);
    if (request.inputs.empty()) keepOpen(root);
    for (PlainRecord const& record : request.inputs) {
        pugi::xml_node input = root.append_child("ns1:inputs");
        addAttribute(input, "applicationFormat", record.applicationFormat);
        addAttribute(input, "templateType", record.templateType);
        addAttribute(input, "templateId", record.templateId);
        if (record.objectsToExport.empty() && record.attributesToExport.empty() &&
            record.objectTemplateOverrides.empty())
            keepOpen(input);
        for (PlainObject const& object : record.objectsToExport) {
            pugi::xml_node child = input.append_child("ns1:objectsToExport");
            addAttribute(child, "uid", object.uid);
            addAttribute(child, "type", object.type);
        }
        for (std::string const& attribute : record.attributesToExport)
            input.append_child("ns1:attributesToExport")
                .append_child(pugi::node_pcdata)
                .set_value(attribute.data(), attribute.size());
        for (PlainOverride const& o : record.objectTemplateOverrides) {
            pugi::xml_node child = input.append_child("ns1:objectTemplateOverride");
            addAttribute(child, "businessObjectType", o.businessObjectType);
            addAttribute(child, "templateType", o.templateType);
            addAttribute(child, "templateId", o.templateId);
        }
    }
    out.clear();
    StringWriter writer(out);
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration);
}

PlainExportRequest plainOf(ie08::ExportToApplicationInput const& request) {
    PlainExportRequest plain;
    for (ie08::ExportToApplicationInputData1 const& input : request.getInputArray()) {
        PlainRecord record{input.getApplicationFormat(), input.getTemplateType(), input.getTemplateId(), {}, {}, {}};
        for (auto const& object : input.getObjectsToExportArray())
            record.objectsToExport.push_back(PlainObject{object.getUid(), object.getType()});
        record.attributesToExport = input.getAttributesToExportArray();
        for (ie08::TemplateOverride const& o : input.getObjectTemplateOverrideArray())
            record.objectTemplateOverrides.push_back(
                PlainOverride{o.getBusinessObjectType(), o.getTemplateType(), o.getTemplateId()});
        plain.inputs.push_back(std::move(record));
    }
    return plain;
}

std::string checkPugixmlBinding(ie08::ExportToApplicationInput const& request) {
    std::string library;
    try {
        library = Kestrune::Soa::Common::Xml::writeMessage(request, "ExportToApplicationInput");
    } catch (std::exception const& e) {
        return std::string("the library refuses to write the request: ") + e.what();
    }
    PlainExportRequest const plain = plainOf(request);
    PlainExportRequest bound;
    if (!pugixmlBind(library, bound)) return "pugixml refuses the library's text";
    if (bound.inputs.size() != plain.inputs.size())
        return "pugixmlBind reads " + std::to_string(bound.inputs.size()) + " records of " +
               std::to_string(plain.inputs.size());
    for (std::size_t i = 0; i < plain.inputs.size(); ++i)
        if (!(bound.inputs[i] == plain.inputs[i]))
            return "pugixmlBind reads record " + std::to_string(i) + " otherwise than the request has it";
    std::string written;
    pugixmlWrite(plain, written);
    std::string const differs = difference(library, written, "pugixml");
    if (differs.empty()) return {};
    std::size_t const at = firstDifference(library, written);
    bool const escaping = inReference(library, at) || inReference(written, at);
    return "pugixmlWrite " + differs + (escaping ? "\n    (pugixml escapes otherwise)" : "");
}

}  // namespace kxsoa_bench
