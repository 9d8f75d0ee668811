#include "host/writer/Output.h"

#include <algorithm>
#include <ios>

namespace Kestrune::Soa::Common::Xml::Writer {

std::streamsize Output::put(char const* s, std::streamsize n) {
    std::streamsize const taken = m_target->sputn(s, n);
    m_handedOn += static_cast<std::size_t>(std::max<std::streamsize>(taken, 0));
    return taken;
}

void Output::handOn() {
    if (m_target == nullptr || m_text.empty()) return;
    std::streamsize const size = static_cast<std::streamsize>(m_text.size());
    std::streamsize const taken = put(m_text.data(), size);
    if (taken == size) {
        m_text.clear();
        return;
    }
    m_text.eraseFront(static_cast<std::size_t>(std::max<std::streamsize>(taken, 0)));
    throw std::ios_base::failure("XmlStream: the caller's buffer took " + std::to_string(taken) + " of " +
                                 std::to_string(size) + " bytes; " + std::to_string(m_text.size()) +
                                 " are not written");
}

Output::int_type Output::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    char const character = traits_type::to_char_type(c);
    if (m_target == nullptr) {
        m_text.push_back(character);
        return c;
    }
    handOn();
    return put(&character, 1) == 1 ? c : traits_type::eof();
}

std::streamsize Output::xsputn(char const* s, std::streamsize n) {
    if (m_target == nullptr) {
        m_text.append(s, static_cast<std::size_t>(n));
        return n;
    }
    handOn();
    return put(s, n);
}

// Hands on what is held and syncs the caller's buffer; a buffer that cannot
// sync (its device refused the bytes) fails the write as a short take does.
int Output::sync() {
    if (m_target == nullptr) return 0;
    handOn();
    if (m_target->pubsync() == -1)
        throw std::ios_base::failure("XmlStream: the caller's buffer could not send on the bytes it took");
    return 0;
}

}  // namespace Kestrune::Soa::Common::Xml::Writer
