#include "host/reader/TextSource.h"

#include "host/DomException.h"
#include "host/reader/Refusal.h"

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

// Setting a mask throws when the stream's state is in it (a stream bad
// already, or at its end with eofbit in the caller's mask): the mask is set
// all the same, and the state is the reader's to tell.
StreamSource::StreamSource(std::istream& in) noexcept : m_in(in), m_exceptions(in.exceptions()) {
    try {
        m_in.exceptions(m_exceptions & std::ios_base::badbit);
    } catch (...) {
    }
}

StreamSource::~StreamSource() {
    try {
        m_in.exceptions(m_exceptions);
    } catch (...) {
    }
}

std::size_t StreamSource::read(char* buffer, std::size_t size) {
    std::size_t got = 0;
    // What the stream's buffer holds is taken without a refill, and a refill
    // is asked for by a single byte: a stream that fails while refilling has
    // then given nothing that is not counted. An unbuffered stream is read in
    // one go, which it does byte by byte anyway; the stream does not tell how
    // much of such a read it gave before failing.
    auto take = [&](std::size_t wanted, bool refills) {
        if (!m_in) {
            if (m_in.bad()) fail(nullptr);
            return false;  // at its end
        }
        bool const countUnknown = refills && wanted > 1;
        try {
            m_in.read(buffer + got, static_cast<std::streamsize>(wanted));
        } catch (std::exception const& e) {
            fail(e.what(), countUnknown);
        }
        std::size_t const taken = static_cast<std::size_t>(m_in.gcount());
        got += taken;
        m_total += taken;
        if (m_in.bad()) fail(nullptr, countUnknown);
        return taken == wanted;
    };
    std::streamsize const buffered = m_in ? m_in.rdbuf()->in_avail() : 0;
    if (buffered > 0) {
        take(std::min(size, static_cast<std::size_t>(buffered)), false);
    } else if (take(1, true) && size > 1) {
        std::streamsize const refilled = m_in.rdbuf()->in_avail();
        if (refilled > 0) {
            take(std::min(size - 1, static_cast<std::size_t>(refilled)), false);
        } else {
            take(size - 1, true);
        }
    }
    return got;
}

bool StreamSource::more() {
    if (!m_in) {
        if (m_in.bad()) fail(nullptr);
        return false;
    }
    bool follows = false;
    try {
        follows = m_in.peek() != std::istream::traits_type::eof();
    } catch (std::exception const& e) {
        fail(e.what());
    }
    if (m_in.bad()) fail(nullptr);
    return follows;
}

void StreamSource::fail(char const* why, bool atLeast) const {
    throw Exceptions::DomException("the input stream failed after " + std::string(atLeast ? "at least " : "") +
                                       std::to_string(m_total) + " bytes" +
                                       (why != nullptr ? std::string(" (") + why + ")" : std::string()),
                                   Exceptions::ErrorKind::Unreadable);
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
