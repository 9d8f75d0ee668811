#include "host/reader/MessageSource.h"

#include "host/DomException.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace Kestrune::Soa::Common::Xml::Reader {

namespace {

bool isSpace(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

// A message's first read asks for this much at most, and each later one
// for no more than the message has had so far, whether from what was kept
// or from the input: what is read past a message's end, and carried to the
// next, stays within the order of the message's own size (a window's worth
// read past each small message would be copied out and in again for every
// one).
constexpr std::size_t kFirstRead = 4096;

std::size_t MessageSource::read(char* buffer, std::size_t size) {
    std::size_t const most = std::min(size, std::max(kFirstRead, m_given));
    std::size_t got = 0;
    if (m_keptAt < m_kept.size()) {
        got = std::min(most, m_kept.size() - m_keptAt);
        std::memcpy(buffer, m_kept.data() + m_keptAt, got);
        m_keptAt += got;
    } else {
        got = readInput(buffer, most);
        m_readInput = m_readInput || got > 0;
    }
    m_given += got;
    return got;
}

std::size_t MessageSource::readInput(char* buffer, std::size_t size) {
    if (m_in != nullptr) {
        StreamSource stream(*m_in);
        return stream.read(buffer, size);
    }
    for (;;) {
        ssize_t const got = ::read(m_fd, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno == EINTR) continue;
        throw Exceptions::DomException("the input could not be read: " + std::system_category().message(errno),
                                       Exceptions::ErrorKind::Unreadable);
    }
}

bool MessageSource::ready() {
    if (m_keptAt < m_kept.size()) return true;
    if (m_in != nullptr) return *m_in && m_in->rdbuf()->in_avail() > 0;
    pollfd waiting{m_fd, POLLIN, 0};
    return ::poll(&waiting, 1, 0) > 0;
}

bool MessageSource::atEnd() {
    if (m_inMessage) begin();  // refused: says why
    for (;;) {
        while (m_keptAt < m_kept.size() && isSpace(m_kept[m_keptAt])) ++m_keptAt;
        if (m_keptAt < m_kept.size()) return false;
        m_kept.clear();
        m_keptAt = 0;
        char bytes[512];
        std::size_t const got = readInput(bytes, ready() ? sizeof bytes : 1);
        if (got == 0) return true;
        m_kept.assign(bytes, got);
    }
}

void MessageSource::begin() {
    if (m_inMessage) {
        throw Exceptions::DomException(
            "the message before on this input was refused before its end, and what follows cannot be told apart "
            "from it: read no more messages from this input",
            Exceptions::ErrorKind::Misuse);
    }
    m_inMessage = true;
    m_given = 0;
    m_readInput = false;
}

// The bytes read past a message are the last that read() gave, as it gave
// them (a message is UTF-8, which the reader holds as it came). When all
// of the message came from m_kept, they are still there, just before
// m_keptAt: the next message starts from them again, and no byte is
// copied. Otherwise (the input was read, after m_kept ran out) they are
// kept anew, in a string of their size: one that held more past a long
// message is not kept.
void MessageSource::ended(std::string_view unread, std::string_view held) {
    std::size_t const back = unread.size() + held.size();
    if (!m_readInput && back <= m_keptAt) {
        m_keptAt -= back;
    } else {
        std::string kept;
        kept.reserve(back + (m_kept.size() - std::min(m_keptAt, m_kept.size())));
        kept.append(unread).append(held).append(m_kept, std::min(m_keptAt, m_kept.size()));
        m_kept = std::move(kept);
        m_keptAt = 0;
    }
    m_inMessage = false;
    ++m_messages;
}

}  // namespace Kestrune::Soa::Common::Xml::Reader
