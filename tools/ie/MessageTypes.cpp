#include "MessageTypes.h"

#include "Samples.h"

#include "importexport/2007_06/ExportToApplicationInput.h"
#include "importexport/2007_06/ExportToApplicationResponse.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2007_06/ImportFromApplicationResponse.h"
#include "importexport/2007_06/SchemaNamespace.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "importexport/2008_06/GetExportTemplatesInput.h"
#include "importexport/2008_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/SchemaNamespace.h"
#include "xml/Message.h"

#include <memory>

namespace kxsoa_ie {

namespace v2007 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v2008 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::readMessage;
using Kestrune::Soa::Common::Xml::writeMessage;
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

namespace {

template <class Message>
std::string sample(MessageType const& type, std::size_t entries) {
    return writeMessage(makeSample<Message>(entries), type.name);
}

template <class Message>
Bound bind(XMLNode const& root) {
    auto message = std::make_shared<Message>();
    message->parse(root);
    return {writeMessage(*message, std::string(root.name)), message->dump(), message};
}

template <class Message>
Bound read(std::string_view xml, std::string const& elementName, XmlReadLimits const& limits) {
    auto message = std::make_shared<Message>(MessageReader(limits).read<Message>(xml));
    return {writeMessage(*message, elementName), message->dump(), message};
}

template <class Message>
std::vector<std::string> differences(Bound const& a, Bound const& b) {
    return static_cast<Message const*>(a.message.get())->differences(*static_cast<Message const*>(b.message.get()));
}

template <class Message>
RoundTrip roundTrip(MessageType const& type, std::size_t entries) {
    Message const original = makeSample<Message>(entries);
    RoundTrip result;
    result.first = writeMessage(original, type.name);
    Message const copy = readMessage<Message>(result.first);
    result.second = writeMessage(copy, type.name);
    result.difference = original.difference(copy);
    return result;
}

template <class Message>
MessageType entry(char const* version, char const* name, char const* role, char const* namespaceURI) {
    return {version,
            name,
            role,
            namespaceURI,
            &sample<Message>,
            &bind<Message>,
            &read<Message>,
            &roundTrip<Message>,
            &differences<Message>};
}

}  // namespace

std::vector<MessageType> const& messageTypes() {
    char const* const v7 = "2007-06";
    char const* const v8 = "2008-06";
    char const* const uri7 = v2007::schemaNamespaceURI;
    char const* const uri8 = v2008::schemaNamespaceURI;
    static std::vector<MessageType> const types = {
        entry<v2007::ImportFromApplicationInputData>(v7, "ImportFromApplicationInputData", "record", uri7),
        entry<v2007::ImportFromApplicationInput>(v7, "ImportFromApplicationInput", "request", uri7),
        entry<v2007::ImportFromApplicationResponse>(v7, "ImportFromApplicationResponse", "response", uri7),
        entry<v2007::ExportToApplicationInputData>(v7, "ExportToApplicationInputData", "record", uri7),
        entry<v2007::ExportToApplicationInput>(v7, "ExportToApplicationInput", "request", uri7),
        entry<v2007::ExportToApplicationResponse>(v7, "ExportToApplicationResponse", "response", uri7),
        entry<v2008::ImportFromApplicationInputData1>(v8, "ImportFromApplicationInputData1", "record", uri8),
        entry<v2008::ImportFromApplicationInput>(v8, "ImportFromApplicationInput", "request", uri8),
        entry<v2008::TemplateOverride>(v8, "TemplateOverride", "override", uri8),
        entry<v2008::ExportToApplicationInputData1>(v8, "ExportToApplicationInputData1", "record", uri8),
        entry<v2008::ExportToApplicationInput>(v8, "ExportToApplicationInput", "request", uri8),
        entry<v2008::ExportTemplateInput>(v8, "ExportTemplateInput", "filter", uri8),
        entry<v2008::GetExportTemplatesInput>(v8, "GetExportTemplatesInput", "request", uri8),
        entry<v2008::ConfiguredTemplate>(v8, "ConfiguredTemplate", "configured template", uri8),
        entry<v2008::GetExportTemplateResponse>(v8, "GetExportTemplateResponse", "response", uri8),
    };
    return types;
}

MessageType const* findMessageType(std::string_view name, std::string& error) {
    std::vector<MessageType const*> found;
    for (MessageType const& type : messageTypes()) {
        if (name == type.fullName() || name == type.name) found.push_back(&type);
    }
    if (found.size() == 1) return found.front();
    if (found.empty()) {
        error = "unknown type \"" + std::string(name) + "\" (kxsoa-ie types lists the fifteen)";
    } else {
        error = "type \"" + std::string(name) + "\" is in both versions: say ";
        for (MessageType const* type : found) error += type->fullName() + (type == found.back() ? "" : " or ");
    }
    return nullptr;
}

}  // namespace kxsoa_ie
