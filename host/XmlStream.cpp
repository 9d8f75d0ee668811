#include "host/XmlStream.h"

#include "host/DomException.h"
#include "host/Monitor.h"
#include "host/XmlCharacters.h"
#include "host/XmlReadLimits.h"
#include "host/XmlString.h"
#include "host/writer/EscapedText.h"
#include "host/writer/Names.h"
#include "host/writer/Output.h"
#include "host/writer/Refusal.h"
#include "host/writer/StreamState.h"

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

namespace Kestrune::Soa::Common::Xml {

// A write that fails throws, rather than leaving the stream bad and the
// text cut short: the insertion rethrows what the buffer threw (std::bad_alloc
// when the string cannot grow), or throws std::ios_base::failure when a
// caller's buffer refuses bytes.
XmlStream::XmlStream() : XmlStream(nullptr) {}

XmlStream::XmlStream(std::streambuf* target) : std::ostream(nullptr), m_state(std::make_unique<State>(target)) {
    rdbuf(&m_state->output);
    exceptions(badbit);
}

XmlStream::~XmlStream() {
    try {
        m_state->restart();
    } catch (...) {  // nowhere to report it: flush() first to see it
    }
}

std::string const& XmlStream::str() const noexcept {
    static std::string const none;
    return m_state->output.ownsText() ? m_state->output.text().str() : none;
}

void XmlStream::reset() {
    clear();  // whatever the reset throws, the stream is good again
    m_state->restart();
}

std::size_t XmlStream::bytesHandedOn() const noexcept { return m_state->output.handedOn(); }

void XmlStream::startProbe(std::string const& probe) {
    m_state->abandonProbe();
    Internal::Common::Monitor::markStart(probe);
    m_state->probe = &probe;
}

void XmlStream::endProbe() {
    std::string const* const probe = std::exchange(m_state->probe, nullptr);
    if (probe != nullptr) Internal::Common::Monitor::markEnd(*probe);
}

void XmlStream::abandonProbe() noexcept { m_state->abandonProbe(); }

bool XmlStream::isRootElement() const noexcept { return m_state->depth == 0; }

void XmlStream::addNamespaces(std::set<std::string> namespaces) { m_state->pending.merge(namespaces); }

void XmlStream::addNamespace(std::string_view uri) { m_state->gather(uri); }

bool XmlStream::gathersNamespaces() const noexcept { return m_state->gathering; }

XmlStream::GatheringNamespaces::GatheringNamespaces(XmlStream& stream) noexcept : m_stream(stream) {
    m_stream.m_state->gathering = true;
}

XmlStream::GatheringNamespaces::~GatheringNamespaces() { m_stream.m_state->gathering = false; }

std::string const& XmlStream::getNamespacePrefix(std::string_view uri) { return m_state->prefixOf(uri); }

std::string const& XmlStream::escape(std::string_view text) {
    State& s = *m_state;
    s.escapedValid = false;
    s.escaped.clear();
    s.appendEscaped(s.escaped, text);
    s.escapedValid = true;
    return s.escaped.str();
}

void XmlStream::setMaxTokenBytes(std::size_t bytes) noexcept { m_state->maxTokenBytes = bytes; }

void XmlStream::setMaxNameBytes(std::size_t bytes) noexcept {
    m_state->maxNameBytes = bytes;
    m_state->textNameInScope = nullptr;  // checked against the limit before
}

std::size_t XmlStream::maxNameBytes() const noexcept { return m_state->maxNameBytes; }

std::size_t XmlStream::maxTokenBytes() const noexcept { return m_state->maxTokenBytes; }

std::string const& XmlStream::writeOpenElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.text.clear();
    s.open(s.text, uri, name, false);
    return s.text.str();
}

std::string const& XmlStream::writeOpenLocalElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.text.clear();
    s.open(s.text, uri, name, true);
    return s.text.str();
}

std::string const& XmlStream::writeAttribute(std::string_view name, std::string_view value) const {
    State& s = *m_state;
    s.text.clear();
    s.attribute(s.text, name, value, false);
    return s.text.str();
}

std::string const& XmlStream::writeOpenElementClose(std::string_view uri, bool empty) {
    return m_state->closeStartTag(uri, empty);
}

std::string const& XmlStream::writeCloseElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.text.clear();
    s.close(s.text, uri, name);
    return s.text.str();
}

void XmlStream::openElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.open(s.output.text(), uri, name, false);
    s.output.appended(false);
}

void XmlStream::openLocalElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.open(s.output.text(), uri, name, true);
    s.output.appended(false);
}

void XmlStream::attribute(std::string_view name, std::string_view text) {
    State& s = *m_state;
    s.attribute(s.output.text(), name, text, true);
    s.output.appended(false);
}

void XmlStream::closeStartTag(std::string_view uri, bool empty) {
    State& s = *m_state;
    s.closeStartTag(uri, empty);
    Writer::Text& written = s.output.text();
    if (empty) written.push_back('/');
    written.push_back('>');
    s.output.appended(s.depth == 0);
}

void XmlStream::closeElement(std::string_view uri, std::string_view name) {
    State& s = *m_state;
    s.close(s.output.text(), uri, name);
    s.output.appended(s.depth == 0);
}

void XmlStream::textElement(std::string_view name, std::string_view text) {
    State& s = *m_state;
    if (s.depth == 0 || s.startTagOpen)
        Writer::refuse(Exceptions::ErrorKind::Misuse,
                       "element \"" + std::string(name) + "\" of text written outside the content of an element");
    Writer::KnownNames::Name const& known = s.textElementName(name);
    Writer::Text& written = s.output.text();
    std::size_t const mark = written.size();
    written.append(known.written);  // "<name>"
    try {
        s.appendEscaped(written, text);
    } catch (...) {
        written.resize(mark);
        throw;
    }
    written.push_back('<');
    written.push_back('/');
    written.append(std::string_view(known.written).substr(1));  // "name>"
    s.output.appended(false);
}

std::string const& XmlStream::qualifiedName(std::string_view uri, std::string_view local) {
    State& s = *m_state;
    std::string_view const prefix = uri.empty() ? std::string_view() : std::string_view(s.prefixOf(uri));
    for (std::string const& name : s.qualifiedNames)
        if (Writer::spells(name, prefix, local)) return name;
    std::string& name = s.qualifiedNames.emplace_back();
    Writer::appendQualified(name, prefix, local);
    return name;
}

void XmlStream::writeNextAs(Part part) noexcept { m_state->part = part; }

XmlStream::Part XmlStream::takePart() noexcept { return std::exchange(m_state->part, Part::Whole); }

}  // namespace Kestrune::Soa::Common::Xml
