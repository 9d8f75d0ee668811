#include "host/reader/TextSource.h"

#include "host/DomException.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <istream>
#include <string>

namespace Kestrune::Soa::Common::Xml::Reader {

std::size_t MemorySource::read(char* buffer, std::size_t size) {
    std::size_t const got = std::min(size, m_text.size() - m_at);
    if (got > 0) std::memcpy(buffer, m_text.data() + m_at, got);
    m_at += got;
    return got;
}

std::size_t StreamSource::read(char* buffer, std::size_t size) {
    std::size_t got = 0;
    // What the stream's buffer holds is taken without a refill, and a refill
    // is asked for by a single byte: a stream that fails while refilling has
    // then given nothing that is not counted. (An unbuffered stream is read
    // in one go, which it does byte by byte anyway.)
    auto take = [&](std::size_t wanted) {
        if (!m_in) {
            if (m_in.bad()) fail(nullptr);
            return false;  // at its end
        }
        try {
            m_in.read(buffer + got, static_cast<std::streamsize>(wanted));
        } catch (std::exception const& e) {
            got += static_cast<std::size_t>(m_in.gcount());
            m_total += static_cast<std::size_t>(m_in.gcount());
            fail(e.what());
        }
        std::size_t const taken = static_cast<std::size_t>(m_in.gcount());
        got += taken;
        m_total += taken;
        if (m_in.bad()) fail(nullptr);
        return taken == wanted;
    };
    std::streamsize const buffered = m_in ? m_in.rdbuf()->in_avail() : 0;
    if (buffered > 0) {
        take(std::min(size, static_cast<std::size_t>(buffered)));
    } else if (take(1) && size > 1) {
        std::streamsize const refilled = m_in.rdbuf()->in_avail();
        take(refilled > 0 ? std::min(size - 1, static_cast<std::size_t>(refilled)) : size - 1);
    }
    return got;
}

bool StreamSource::more() {
    if (!m_in) {
        if (m_in.bad()) fail(nullptr);
        return false;
    }
    try {
        bool const follows = m_in.peek() != std::istream::traits_type::eof();
        if (m_in.bad()) fail(nullptr);
        return follows;
    } catch (std::exception const& e) {
        fail(e.what());
    }
}

void StreamSource::fail(char const* why) const {
    throw Exceptions::DomException("XML input could not be read: the stream failed after " + std::to_string(m_total) +
                                   " bytes" + (why != nullptr ? std::string(" (") + why + ")" : std::string()));
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
