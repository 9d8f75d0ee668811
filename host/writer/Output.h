#pragma once

// The buffer under an XmlStream: the document's text, kept whole or handed
// on in pieces to a caller's buffer.

#include "host/writer/Text.h"

#include <cstddef>
#include <streambuf>
#include <string>

namespace Kestrune::Soa::Common::Xml::Writer {

// Objects append to its text through the binding's operations; what the
// caller inserts with `<<` comes through the virtual functions below (there
// is no put area). On its own, the buffer keeps the whole document. On a
// caller's buffer it keeps at most a piece of pieceBytes and then hands it
// on; what the caller inserts is handed on at once, after what the buffer
// held.
class Output final : public std::streambuf {
public:
    static constexpr std::size_t pieceBytes = 64 * 1024;

    explicit Output(std::streambuf* target) noexcept : m_target(target) {}

    Text& text() noexcept { return m_text; }
    bool ownsText() const noexcept { return m_target == nullptr; }

    // After an append: a full piece goes on; at the end of the document the
    // rest goes on and the caller's buffer is synced, so that a message
    // written onto a connection reaches the peer when it ends.
    void appended(bool documentEnds) {
        if (m_target == nullptr) return;
        if (documentEnds) {
            sync();
        } else if (m_text.size() >= pieceBytes) {
            handOn();
        }
    }

    // Gives the caller's buffer what this one holds; throws
    // std::ios_base::failure if it takes less (what it did not take is
    // kept).
    void handOn();

    // Bytes the caller's buffer has taken since startDocument(): what this
    // buffer handed on and what the caller inserted.
    std::size_t handedOn() const noexcept { return m_handedOn; }
    // A new document: what is held of the one before is dropped (on its own,
    // the buffer's text is cleared), and the count of bytes handed on starts
    // again.
    void startDocument() noexcept {
        m_text.clear();
        m_handedOn = 0;
    }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(char const* s, std::streamsize n) override;
    int sync() override;

private:
    // Hands `n` bytes at `s` to the caller's buffer; returns how many it took.
    std::streamsize put(char const* s, std::streamsize n);

    std::streambuf* m_target;  // null: the text is the stream's own
    Text m_text;
    std::size_t m_handedOn = 0;
};

}  // namespace Kestrune::Soa::Common::Xml::Writer
