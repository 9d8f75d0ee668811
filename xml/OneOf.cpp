#include "xml/OneOf.h"

#include "host/DomException.h"
#include "host/XMLNode.h"
#include "host/XmlBinder.h"
#include "host/XmlReader.h"
#include "xml/MessageReader.h"
#include "xml/internal/TypeMembers.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

namespace {

using Exceptions::DomException;

// The alternative named so, or `alternatives.count`.
std::size_t find(OneOfAlternatives const& alternatives, std::string_view namespaceURI, std::string_view localName) {
    std::size_t index = 0;
    for (OneOfAlternative const& alternative : alternatives) {
        TypeMembers const& type = alternative.members();
        if (type.namespaceURI == namespaceURI && type.name == localName) break;
        ++index;
    }
    return index;
}

std::string quoted(std::string_view text) { return '"' + std::string(text) + '"'; }

// "A, B or C"
class Listing {
public:
    void add(std::string const& item) {
        if (!m_last.empty()) m_text += (m_text.empty() ? "" : ", ") + m_last;
        m_last = item;
    }
    std::string text() const { return m_text.empty() ? m_last : m_text + " or " + m_last; }

private:
    std::string m_text;
    std::string m_last;
};

// The refusal of a root that tells no type: what is accepted instead.
DomException unknownRoot(OneOfAlternatives const& alternatives, std::string_view namespaceURI,
                         std::string_view localName) {
    std::string message = "the root element " + quoted(localName);
    char const* version = nullptr;
    for (OneOfAlternative const& alternative : alternatives)
        if (alternative.members().namespaceURI == namespaceURI) version = alternative.members().version;
    Listing accepted;
    if (version == nullptr) {
        message += " is in " + (namespaceURI.empty() ? "no namespace" : "namespace " + quoted(namespaceURI)) +
                   ", which is no message version's: ";
        std::vector<std::string_view> seen;  // each version once, in the order of the alternatives
        for (OneOfAlternative const& alternative : alternatives) {
            TypeMembers const& type = alternative.members();
            if (std::find(seen.begin(), seen.end(), type.namespaceURI) != seen.end()) continue;
            seen.push_back(type.namespaceURI);
            accepted.add(std::string(type.version) + ' ' + quoted(type.namespaceURI));
        }
    } else {
        message += " in namespace " + quoted(namespaceURI) + " names none of the accepted " + version + " messages: ";
        for (OneOfAlternative const& alternative : alternatives)
            if (alternative.members().namespaceURI == namespaceURI) accepted.add(alternative.members().name);
    }
    return DomException(message + accepted.text(), Exceptions::ErrorKind::WrongRoot);
}

// The root element of a document that tells no type is read into nothing:
// its start is refused, so that the binder places the refusal and keeps it
// until the text has been read.
class Nothing final : public BaseObject {
public:
    explicit Nothing(OneOfAlternatives const& accepted) : BaseObject(nullptr), alternatives(accepted) {}

    OneOfAlternatives const& alternatives;

private:
    BaseObject* reallyClone() const override { return nullptr; }
};

XmlElementType const refusedRoot{
    nullptr, nullptr,  // no rules: its start alone is called, and refuses it
    [](BaseObject& nothing, XmlElementStart const& root, std::string_view const*) {
        throw unknownRoot(static_cast<Nothing&>(nothing).alternatives, root.namespaceURI.text, root.name.text);
    },
    [](BaseObject&, std::size_t, std::string_view const*, XmlListRoom const&) { return XmlChild::skipped(); }};

// The events of a document whose type its root tells: at the root, a message
// of that type is made (or the root is refused), and every event goes on to
// the binder, which reads into it; without a message to make, the binder
// validates the document as that type's instead.
class Dispatch final : public XmlEventHandler {
public:
    Dispatch(XmlBinder& binder, XmlBinder::Options const& options, std::uint64_t nameNumbering,
             OneOfAlternatives const& alternatives, void* message, Detail::RecordSink const* sinks, void* handler)
        : m_binder(binder),
          m_options(options),
          m_nameNumbering(nameNumbering),
          m_alternatives(alternatives),
          m_message(message),
          m_sinks(sinks),
          m_handler(handler) {}

    void startElement(XmlElementStart const& element) override {
        if (!m_chosen) choose(element);
        m_binder.startElement(element);
    }
    void characters(std::string_view text) override { m_binder.characters(text); }
    void endElement() override { m_binder.endElement(); }
    std::string path() const override { return m_binder.path(); }

    /// The alternative the root named, once the document was read whole.
    std::size_t index() const noexcept { return m_index; }

private:
    void choose(XmlElementStart const& root) {
        m_chosen = true;
        XmlBinder::Options const& options = m_options;
        std::size_t const index = find(m_alternatives, root.namespaceURI.text, root.name.text);
        if (index == m_alternatives.count) {
            m_binder.readInto(m_nothing.emplace(m_alternatives), refusedRoot, options,
                              m_nameNumbering);  // never written to
            return;
        }
        m_index = index;
        OneOfAlternative const& chosen = m_alternatives.first[index];
        if (m_message == nullptr) {
            m_binder.validate(chosen.elementType(), options, m_nameNumbering);
            return;
        }
        m_binder.readInto(chosen.emplace(m_message), chosen.elementType(), options, m_nameNumbering);
        if (m_sinks != nullptr && m_sinks[index] != nullptr) m_binder.divertEntries(m_sinks[index], m_handler);
    }

    XmlBinder& m_binder;
    XmlBinder::Options const& m_options;  // the root is not checked: it tells the type
    std::uint64_t m_nameNumbering;        // the reader's (XmlBinder::readInto)
    OneOfAlternatives const& m_alternatives;
    void* m_message;
    Detail::RecordSink const* m_sinks;
    void* m_handler;
    std::optional<Nothing> m_nothing;
    std::size_t m_index = 0;
    bool m_chosen = false;
};

// Reads the document, into `message` (or validated, when it is null):
// the index of the alternative its root named.
template <class Input>
std::size_t readWith(XmlReader& reader, XmlBinder& binder, XmlBinder::Options const& options, Input& input,
                     OneOfAlternatives const& alternatives, void* message, Detail::RecordSink const* sinks,
                     void* handler) {
    Dispatch dispatch(binder, options, reader.nameNumbering(), alternatives, message, sinks, handler);
    Detail::StopDiverting const stop{binder};
    Detail::readBound(reader, binder, input, dispatch);
    return dispatch.index();
}

}  // namespace

std::size_t rootAlternative(OneOfAlternatives const& alternatives, std::string_view namespaceURI,
                            std::string_view localName) {
    std::size_t const index = find(alternatives, namespaceURI, localName);
    if (index == alternatives.count) throw unknownRoot(alternatives, namespaceURI, localName);
    return index;
}

void Detail::readOneOf(XmlReader& reader, XmlBinder& binder, XmlBinder::Options const& options, std::string_view xml,
                       OneOfAlternatives const& alternatives, void* message, RecordSink const* sinks, void* handler) {
    readWith(reader, binder, options, xml, alternatives, message, sinks, handler);
}

void Detail::readOneOf(XmlReader& reader, XmlBinder& binder, XmlBinder::Options const& options, std::istream& in,
                       OneOfAlternatives const& alternatives, void* message, RecordSink const* sinks, void* handler) {
    readWith(reader, binder, options, in, alternatives, message, sinks, handler);
}

void Detail::readOneOf(XmlReader& reader, XmlBinder& binder, XmlBinder::Options const& options,
                       XmlMessageSource& source, OneOfAlternatives const& alternatives, void* message,
                       RecordSink const* sinks, void* handler) {
    readWith(reader, binder, options, source, alternatives, message, sinks, handler);
}

std::size_t Detail::validateOneOf(XmlReader& reader, XmlBinder& binder, XmlBinder::Options const& options,
                                  std::string_view xml, OneOfAlternatives const& alternatives) {
    return readWith(reader, binder, options, xml, alternatives, nullptr, nullptr, nullptr);
}

std::size_t Detail::validateOneOf(XmlReader& reader, XmlBinder& binder, XmlBinder::Options const& options,
                                  std::istream& in, OneOfAlternatives const& alternatives) {
    return readWith(reader, binder, options, in, alternatives, nullptr, nullptr, nullptr);
}

void Detail::parseOneOf(XMLNode const& element, OneOfAlternatives const& alternatives, void* message,
                        XmlBinder::Options const& options) {
    std::size_t const index = find(alternatives, element.namespaceURI, element.name);
    if (index == alternatives.count) {
        DomException refusal = unknownRoot(alternatives, element.namespaceURI, element.name);
        refusal.setPlace(element.line, element.column);
        refusal.setPath('/' + std::string(element.name));
        throw refusal;
    }
    OneOfAlternative const& chosen = alternatives.first[index];
    readTree(element, chosen.emplace(message), chosen.elementType(), options);
}

}  // namespace Kestrune::Soa::Common::Xml
