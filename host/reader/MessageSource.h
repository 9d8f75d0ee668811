#pragma once

// Messages one after another on one stream or file descriptor: the bytes
// read past one message's end are kept for the next, and bytes are read no
// further than they are there to be read, past the first one the reader
// needs.

#include "host/reader/TextSource.h"

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

namespace Kestrune::Soa::Common::Xml::Reader {

class MessageSource final : public TextSource {
public:
    explicit MessageSource(std::istream& in) noexcept : m_in(&in) {}
    explicit MessageSource(int fileDescriptor) noexcept : m_fd(fileDescriptor) {}

    // The bytes kept first, then the input's. A stream is read as
    // StreamSource reads it; a file descriptor with read(2), retried when
    // a signal interrupts it.
    std::size_t read(char* buffer, std::size_t size) override;
    // A connection may always have more to send: the reader does not wait
    // to know (a message's end is its root's end tag).
    bool more() override { return true; }
    bool ready() override;
    bool message() const noexcept override { return true; }

    // Passes over the white space before the next message, reading only
    // while it sees white space (a byte at a time past what is there to be
    // read); true when the input ends first.
    bool atEnd();

    // A message begins: throws when the one before was refused before its
    // end (what follows it cannot be told apart from it).
    void begin();
    // The message ended at its root's end tag: what was read past it, the
    // last bytes read() gave (`unread` then `held`, as the reader holds
    // them), goes before what the input has not given yet.
    void ended(std::string_view unread, std::string_view held);

    std::size_t messages() const noexcept { return m_messages; }

private:
    std::size_t readInput(char* buffer, std::size_t size);

    std::istream* m_in = nullptr;
    int m_fd = -1;
    std::string m_kept;  // bytes read past the last message's end, from m_keptAt
    std::size_t m_keptAt = 0;
    bool m_inMessage = false;  // a message began and has not ended
    std::size_t m_given = 0;   // bytes read() gave since the message began
    bool m_readInput = false;  // some of them came from the input, not from m_kept
    std::size_t m_messages = 0;
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
