#include "xml/AnyMessage.h"

#include "host/DomException.h"
#include "host/XmlBinder.h"
#include "importexport/2007_06/SchemaNamespace.h"
#include "importexport/2008_06/SchemaNamespace.h"
#include "xml/MessageReader.h"
#include "xml/TypeMembers.h"

#include <array>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

namespace {

using Exceptions::DomException;

struct Version {
    char const* name;
    char const* namespaceURI;
};
Version const versions[] = {{"2007-06", Schemas::Importexport::_2007_06::Fileimportexport::schemaNamespaceURI},
                            {"2008-06", Schemas::Importexport::_2008_06::Fileimportexport::schemaNamespaceURI}};

// One alternative of AnyMessage: its type, and how a message of it is begun.
struct Alternative {
    MessageTypeInfo type;
    // Makes `message` hold a new message of this type, and tells `binder` to
    // read the next element into it.
    void (*readInto)(std::optional<AnyMessage>& message, XmlBinder& binder, XmlBinder::Options const& options);
    void (*parse)(std::optional<AnyMessage>& message, XMLNode const& element);
};

template <std::size_t I>
using AlternativeOf = std::variant_alternative_t<I, AnyMessage>;

template <std::size_t I>
Alternative alternative() {
    using Impl = std::remove_reference_t<decltype(HandleAccess::object(std::declval<AlternativeOf<I> const&>()))>;
    TypeMembers const& members = Impl::members();
    return {{schemaVersionOf(members.namespaceURI), members.name, members.namespaceURI},
            [](std::optional<AnyMessage>& message, XmlBinder& binder, XmlBinder::Options const& options) {
                AlternativeOf<I>& chosen = std::get<I>(message.emplace(std::in_place_index<I>));
                binder.readInto(HandleAccess::object(chosen), Impl::xmlElementType(), options);
            },
            [](std::optional<AnyMessage>& message, XMLNode const& element) {
                std::get<I>(message.emplace(std::in_place_index<I>)).parse(element);
            }};
}

template <std::size_t... I>
std::array<Alternative, sizeof...(I)> alternatives(std::index_sequence<I...>) {
    return {alternative<I>()...};
}

std::array<Alternative, std::variant_size_v<AnyMessage>> const& alternatives() {
    static auto const all = alternatives(std::make_index_sequence<std::variant_size_v<AnyMessage>>());
    return all;
}

constexpr std::size_t none = std::variant_size_v<AnyMessage>;

std::size_t find(std::string_view namespaceURI, std::string_view localName) {
    std::array<Alternative, none> const& all = alternatives();
    for (std::size_t index = 0; index < none; ++index) {
        if (all[index].type.namespaceURI == namespaceURI && all[index].type.name == localName) return index;
    }
    return none;
}

std::string quoted(std::string_view text) { return '"' + std::string(text) + '"'; }

// The refusal of a root that tells no type: what is accepted instead.
DomException unknownRoot(std::string_view namespaceURI, std::string_view localName) {
    std::string message = "the root element " + quoted(localName);
    char const* const version = schemaVersionOf(namespaceURI);
    std::string accepted;
    auto const add = [&](std::string const& item, bool last) {
        accepted += (accepted.empty() ? "" : last ? " or " : ", ") + item;
    };
    if (version == nullptr) {
        message += " is in " + (namespaceURI.empty() ? "no namespace" : "namespace " + quoted(namespaceURI)) +
                   ", which is no message version's: ";
        for (Version const& known : versions)
            add(std::string(known.name) + ' ' + quoted(known.namespaceURI),
                &known == &versions[std::size(versions) - 1]);
    } else {
        message += " in namespace " + quoted(namespaceURI) + " names no " + version + " message type: ";
        std::string last;
        for (Alternative const& candidate : alternatives()) {
            if (candidate.type.namespaceURI != namespaceURI) continue;
            if (!last.empty()) add(last, false);
            last = candidate.type.name;
        }
        add(last, true);
    }
    return DomException(message + accepted);
}

// The root element of a document that tells no type is read into nothing:
// its start is refused, so that the binder places the refusal and keeps it
// until the text has been read.
class Nothing final : public BaseObject {
public:
    Nothing() : BaseObject(nullptr) {}

private:
    BaseObject* reallyClone() const override { return nullptr; }
};

XmlElementType const refusedRoot{
    nullptr,
    [](BaseObject&, XmlElementStart const& root) { throw unknownRoot(root.namespaceURI.text, root.name.text); },
    [](BaseObject&, XmlElementStart const&, XmlListRoom const&) { return XmlChild::skipped(); }};

// The events of a document whose type its root tells: at the root, a message
// of that type is made (or the root is refused), and every event goes on to
// the binder, which reads into it.
class Dispatch final : public XmlEventHandler {
public:
    using Sink = void (*)(void* handler, void* records);

    Dispatch(XmlBinder& binder, std::optional<AnyMessage>& message, Sink const* sinks, void* handler)
        : m_binder(binder), m_message(message), m_sinks(sinks), m_handler(handler) {}

    void startElement(XmlElementStart const& element) override {
        if (!m_chosen) choose(element);
        m_binder.startElement(element);
    }
    void characters(std::string_view text) override { m_binder.characters(text); }
    void endElement() override { m_binder.endElement(); }
    std::string path() const override { return m_binder.path(); }

private:
    void choose(XmlElementStart const& root) {
        m_chosen = true;
        XmlBinder::Options const options;
        std::size_t const index = find(root.namespaceURI.text, root.name.text);
        if (index == none) {
            static Nothing nothing;  // never written to
            m_binder.readInto(nothing, refusedRoot, options);
            return;
        }
        alternatives()[index].readInto(m_message, m_binder, options);
        if (m_sinks != nullptr && m_sinks[index] != nullptr) m_binder.divertEntries(m_sinks[index], m_handler);
    }

    XmlBinder& m_binder;
    std::optional<AnyMessage>& m_message;
    Sink const* m_sinks;
    void* m_handler;
    bool m_chosen = false;
};

// The document of any type read with `reader` into `binder`.
template <class Input>
AnyMessage readAnyWith(XmlReader& reader, XmlBinder& binder, Input& input, Dispatch::Sink const* sinks, void* handler) {
    std::optional<AnyMessage> message;
    Dispatch dispatch(binder, message, sinks, handler);
    struct Divert {
        XmlBinder& binder;
        ~Divert() { binder.divertEntries(nullptr, nullptr); }
    } const divert{binder};
    try {
        reader.read(input, dispatch);
    } catch (...) {
        binder.abandon();
        throw;
    }
    binder.finish();
    return std::move(*message);
}

}  // namespace

MessageTypeInfo const& messageType(std::size_t index) { return alternatives().at(index).type; }

char const* schemaVersionOf(std::string_view namespaceURI) {
    for (Version const& version : versions)
        if (namespaceURI == version.namespaceURI) return version.name;
    return nullptr;
}

std::size_t messageIndex(std::string_view namespaceURI, std::string_view localName) {
    std::size_t const index = find(namespaceURI, localName);
    if (index == none) throw unknownRoot(namespaceURI, localName);
    return index;
}

AnyMessage parseAnyMessage(XMLNode const& element) {
    std::size_t const index = find(element.namespaceURI, element.name);
    if (index == none) {
        DomException refusal = unknownRoot(element.namespaceURI, element.name);
        refusal.setPlace(element.line, element.column);
        refusal.setPath('/' + std::string(element.name));
        throw refusal;
    }
    std::optional<AnyMessage> message;
    alternatives()[index].parse(message, element);
    return std::move(*message);
}

AnyMessage MessageReader::readAny(std::string_view xml) { return readAnyFrom(xml, nullptr, nullptr); }

AnyMessage MessageReader::readAny(std::istream& in) { return readAnyFrom(in, nullptr, nullptr); }

AnyMessage MessageReader::readAnyFrom(std::string_view xml, RecordSink const* sinks, void* handler) {
    Reading const reading(*this);
    return readAnyWith(m_reader, m_binder, xml, sinks, handler);
}

AnyMessage MessageReader::readAnyFrom(std::istream& in, RecordSink const* sinks, void* handler) {
    Reading const reading(*this);
    return readAnyWith(m_reader, m_binder, in, sinks, handler);
}

}  // namespace Kestrune::Soa::Common::Xml
