#include "support/SchemaValidation.h"

#include "schemas/EmbeddedSchemas.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <climits>
#include <memory>
#include <mutex>
#include <string>

namespace kxsoa::validation {

namespace {

using kxsoa::schemas::EmbeddedSchema;
using kxsoa::schemas::embeddedSchemas;

// A schema that imports both message namespaces (and through them the base
// one), so that one compiled schema validates any of the three.
constexpr char driverSchema[] =
    "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
    "<xs:import namespace='http://" KXSOA_NAMESPACE_HOST
    "/Schemas/ImportExport/2007-06/FileImportExport'"
    " schemaLocation='ImportExport-2007-06-FileImportExport.xsd'/>"
    "<xs:import namespace='http://" KXSOA_NAMESPACE_HOST
    "/Schemas/ImportExport/2008-06/FileImportExport'"
    " schemaLocation='ImportExport-2008-06-FileImportExport.xsd'/>"
    "</xs:schema>";

// The first problem that libxml2 reports, as "line N: <reason>".
struct FirstError {
    std::string text;

    void record(xmlError const* error) {
        if (!text.empty() || error == nullptr || error->level < XML_ERR_ERROR) return;
        std::string message = error->message ? error->message : "unknown error";
        while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
        int line = error->line;
        if (line == 0 && error->node != nullptr) line = xmlGetLineNo(static_cast<xmlNode*>(error->node));
        text = "line " + std::to_string(line) + ": " + message;
    }
};

void recordSchemaError(void* capture, xmlError* error) { static_cast<FirstError*>(capture)->record(error); }

// The parser hands its context to the error handler; the capture is its _private.
void recordParseError(void* context, xmlError* error) {
    static_cast<FirstError*>(static_cast<xmlParserCtxt*>(context)->_private)->record(error);
}

// Serves the schemas' imports from the embedded texts.
xmlParserInputPtr embeddedSchemaLoader(char const* url, char const*, xmlParserCtxtPtr context) {
    std::string_view const name = url ? url : "";
    for (EmbeddedSchema const& schema : embeddedSchemas) {
        std::string_view const file = schema.fileName;
        if (name.size() >= file.size() && name.substr(name.size() - file.size()) == file &&
            (name.size() == file.size() || name[name.size() - file.size() - 1] == '/')) {
            xmlParserInputPtr input = xmlNewStringInputStream(context, reinterpret_cast<xmlChar const*>(schema.text));
            if (input)
                input->filename = reinterpret_cast<char*>(xmlStrdup(reinterpret_cast<xmlChar const*>(file.data())));
            return input;
        }
    }
    return nullptr;  // nothing else is ever loaded
}

struct SchemaHolder {
    xmlSchemaPtr schema = nullptr;
    std::string error;
};

// Compiled once, on first use; the compiled schema is shared by every call.
SchemaHolder const& compiledSchema() {
    static SchemaHolder const holder = [] {
        SchemaHolder compiled;
        static std::mutex loaderLock;  // the entity loader is process-wide
        std::lock_guard<std::mutex> const lock(loaderLock);
        xmlExternalEntityLoader const previous = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(embeddedSchemaLoader);
        FirstError error;
        if (xmlSchemaParserCtxtPtr parser = xmlSchemaNewMemParserCtxt(driverSchema, sizeof driverSchema - 1)) {
            xmlSchemaSetParserStructuredErrors(parser, recordSchemaError, &error);
            compiled.schema = xmlSchemaParse(parser);
            xmlSchemaFreeParserCtxt(parser);
        }
        xmlSetExternalEntityLoader(previous);
        if (!compiled.schema) compiled.error = "the schemas do not compile: " + error.text;
        return compiled;
    }();
    return holder;
}

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

Document parse(std::string_view xml, FirstError& error) {
    if (xml.size() > static_cast<std::size_t>(INT_MAX)) {
        error.text = "line 0: the document is too large";
        return nullptr;
    }
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context) {
        error.text = "line 0: out of memory";
        return nullptr;
    }
    context->_private = &error;
    context->sax->serror = recordParseError;
    Document document(xmlCtxtReadMemory(context, xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                        XML_PARSE_NONET | XML_PARSE_NOWARNING));
    if (!context->wellFormed || !context->nsWellFormed) document.reset();
    if (!document && error.text.empty()) error.text = "line 0: the document is not well-formed";
    xmlFreeParserCtxt(context);
    return document;
}

// Validates `element` as the global element named `typeName` of its own
// namespace: it is renamed for the check (lines stay), and the reason given
// names it as the document does.
std::string validate(xmlNode* element, std::string_view typeName) {
    SchemaHolder const& compiled = compiledSchema();
    if (!compiled.schema) return compiled.error;
    std::string const originalName = reinterpret_cast<char const*>(element->name);
    std::string const type(typeName);
    xmlNodeSetName(element, reinterpret_cast<xmlChar const*>(type.c_str()));
    FirstError error;
    xmlSchemaValidCtxtPtr context = xmlSchemaNewValidCtxt(compiled.schema);
    if (!context) return "line 0: out of memory";
    xmlSchemaSetValidStructuredErrors(context, recordSchemaError, &error);
    int const result = xmlSchemaValidateOneElement(context, element);
    xmlSchemaFreeValidCtxt(context);
    if (result == 0) return {};
    if (error.text.empty()) error.text = "line " + std::to_string(xmlGetLineNo(element)) + ": not valid";
    std::string const renamed = "}" + type + "'";
    for (std::size_t at = error.text.find(renamed); at != std::string::npos;
         at = error.text.find(renamed, at + originalName.size() + 2))
        error.text.replace(at, renamed.size(), "}" + originalName + "'");
    return error.text;
}

}  // namespace

std::string messageError(std::string_view xml, std::string_view typeName) {
    FirstError error;
    Document const document = parse(xml, error);
    if (!document) return error.text;
    return validate(xmlDocGetRootElement(document.get()), typeName);
}

std::string childMessageError(std::string_view xml, std::size_t index, std::string_view typeName) {
    FirstError error;
    Document const document = parse(xml, error);
    if (!document) return error.text;
    xmlNode* root = xmlDocGetRootElement(document.get());
    xmlNode* child = xmlFirstElementChild(root);
    for (std::size_t i = 0; child != nullptr && i < index; ++i) child = xmlNextElementSibling(child);
    if (child == nullptr)
        return "line " + std::to_string(xmlGetLineNo(root)) + ": the root has no child element number " +
               std::to_string(index);
    return validate(child, typeName);
}

}  // namespace kxsoa::validation
