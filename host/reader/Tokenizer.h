#pragma once

// Which token a byte belongs to: the grammar of XML 1.0 (fifth edition)
// without a DTD, over the UTF-8 text of a TextInput, one pass. It checks
// everything that makes a document well-formed but what needs the names of
// the elements (an end tag matching its start, unique attributes, the
// namespaces: the EventReader's), refuses a document type declaration, and
// checks the limits on tokens, attributes and names as it goes.

#include "host/XmlReadLimits.h"
#include "host/reader/ByteClasses.h"
#include "host/reader/Refusal.h"
#include "host/reader/TextInput.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Kestrune::Soa::Common::Xml::Reader {

class Tokenizer {
public:
    enum class Token : unsigned char {
        StartTag,  // name(), attributes(), emptyElement(), at() (where its "/>" or ">" begins)
        EndTag,    // name(), at() (after its ">")
        Text,      // text(): a piece of the character data of the open element
        Target,    // name(): the target of a processing instruction, at() after its "?>"
        End        // the end of the text, at()
    };

    static constexpr std::uint32_t kUnknown = 0xFFFFFFFF;

    // A name as written. `colon` is the offset of its colon, 0 when it has
    // none; `qualified` that it is a prefix, a colon and a local name, or a
    // local name alone (Namespaces in XML); `known` the number of the
    // KnownName it was guessed to be, or kUnknown.
    struct Name {
        char const* text = nullptr;
        std::uint32_t length = 0;
        std::uint32_t colon = 0;
        bool qualified = true;
        std::uint32_t known = kUnknown;

        std::string_view whole() const noexcept { return {text, length}; }
        std::string_view prefix() const noexcept { return {text, colon}; }
        std::string_view local() const noexcept {
            return colon == 0 ? whole() : std::string_view(text + colon + 1, length - colon - 1);
        }
    };

    struct Attribute {
        Name name;
        char const* valueAt = nullptr;  // the first byte of the value as written
        std::string_view value;         // references decoded, white space normalised
        std::size_t decodedAt = 0;      // where the value is in the decoded values, when it was decoded
        std::size_t decodedLength = 0;
        bool decoded = false;
    };

    // A qualified name of an element or attribute met before in the
    // document, as the EventReader keeps them, with the names of the
    // attributes the element had the last time.
    struct KnownName {
        std::string_view text;
        std::uint32_t colon = 0;
        std::uint32_t attributesAt = 0;  // in Guesses::attributes
        std::uint32_t attributeCount = 0;
        std::uint32_t next = kUnknown;  // the name that followed it at its depth the last time another did
    };
    // What a start tag is likely to hold: the names of the last start tag at
    // the same depth, or else of the one that followed it the last time (a
    // record's children come in the same order in each). A name that is
    // there as guessed (followed by a byte that cannot continue it) is taken
    // without being scanned.
    struct Guesses {
        std::vector<KnownName> const* names = nullptr;
        std::vector<std::uint32_t> const* atDepth = nullptr;     // a KnownName's number by depth
        std::vector<std::uint32_t> const* attributes = nullptr;  // runs of KnownName numbers (kUnknown: none)
    };

    // `limits` outlives the tokenizer.
    explicit Tokenizer(XmlReadLimits const& limits) : m_limits(&limits), m_maxTokenBytes(limits.maxTokenBytes) {}
    Tokenizer(Tokenizer const&) = delete;
    Tokenizer& operator=(Tokenizer const&) = delete;

    void start(TextInput& input, Guesses guesses) noexcept;
    // The next token. Throws DomException for what is not well-formed or
    // passes a limit, with the place where it was found.
    Token next();

    Name const& name() const noexcept { return m_name; }
    std::vector<Attribute> const& attributes() const noexcept { return m_attributes; }
    // The memory it reads start tags into, which its owner keeps from one
    // document to the next (and forgets, counts and gives back).
    std::vector<Attribute>& attributeMemory() noexcept { return m_attributes; }
    std::string& valueMemory() noexcept { return m_values; }
    bool emptyElement() const noexcept { return m_emptyElement; }
    char const* at() const noexcept { return m_at; }
    std::string_view text() const noexcept { return m_text; }
    // The name that the next end tag should have, as written (the EventReader
    // tells it), and whether the last end tag had it.
    void expectEndTag(std::string_view qualifiedName) noexcept { m_expectedEnd = qualifiedName; }
    bool endTagMatches() const noexcept { return m_endMatches; }
    // Where the tokenizer is: after the last token.
    char const* here() const noexcept { return m_cur; }
    // Whether the root element has ended.
    bool afterRoot() const noexcept { return m_where == Where::AfterRoot; }

    TextInput& input() noexcept { return *m_input; }
    // Refuses the text at `at`: not well-formed (fail), for another
    // reason, or past a limit.
    [[noreturn]] void fail(char const* at, std::string const& reason) const;
    [[noreturn]] void refuse(char const* at, Refusal kind, std::string const& reason) const;
    [[noreturn]] void overLimit(char const* at, Limit limit, char const* what = nullptr) const;

private:
    enum class Where : unsigned char { BeforeRoot, InRoot, AfterRoot };
    // Thrown where a token goes on past the end of a window that is not the
    // end of the text: the token is read again once the window holds more.
    struct NeedMore {};

    Token step();
    Token markup();
    Token characterData();
    Token piece(char const* from, char const* to);
    void outside();
    void startTag();
    void endTag();
    Token processingInstruction();
    template <ByteClass Ends>
    char const* untilMark(char const* content, char const* p, std::string_view mark, char const* doubled = nullptr);
    void declaration(char const* content);
    void comment();
    Token cdata();
    void doctype();
    char const* value(char const* p, Attribute& attribute);
    char const* reference(char const* p, char* out, std::size_t& length, char const* limit);
    char const* scanName(char const* p, Name& name, char const* missing);
    // The name at `p` when it is the KnownName numbered `guess`, whole: then
    // what follows it; else null.
    char const* guessedName(char const* p, std::uint32_t guess, Name& name) const noexcept {
        if (guess == kUnknown) return nullptr;
        KnownName const& known = (*m_guesses.names)[guess];
        std::size_t const length = known.text.size();
        if (static_cast<std::size_t>(m_end - p) <= length || !sameBytes(p, known.text.data(), length)) return nullptr;
        char const after = p[length];
        if (static_cast<unsigned char>(after) >= 0x80 || (classOf(after) & kContinuesName)) return nullptr;
        name.text = p;
        name.length = static_cast<std::uint32_t>(length);
        name.colon = known.colon;
        name.qualified = true;
        name.known = guess;
        return p + length;
    }
    bool startsName(char const* p) { return startsName(p, m_end); }
    bool startsName(char const* p, char const* end);
    char const* character(char const* p, char const* limit);
    // White space in a tag, a token of its own: refused at its first byte
    // past maxTokenBytes (a long run, or one at the end of the text at hand,
    // is looked at apart).
    char const* spaces(char const* p) {
        if (p < m_end && !(classOf(*p) & kSpace)) return p;  // none, mostly
        char const* q = p;
        while (q < m_end && (classOf(*q) & kSpace)) ++q;
        if (q == m_end || static_cast<std::size_t>(q - p) >= m_maxTokenBytes) longSpaces(p, q);
        return q;
    }
    void longSpaces(char const* from, char const* to) const;
    // `p` is at the end of the text at hand, or not (see atEnd()).
    void need(char const* p) const {
        if (p >= m_end) atEnd();
    }
    [[noreturn]] void atEnd() const;
    [[noreturn]] void endsInside() const;
    // Refuses markup or text at `at` that is not the root element, where
    // nothing but it (and white space, comments, processing instructions)
    // may be: before the root element or after it.
    [[noreturn]] void outsideTheRoot(char const* at) const;
    // The length limits' bookkeeping on the way of every token, here to be
    // inlined; their refusals are in TokenLimits.cpp.
    // What is left of maxTokenBytes for the run of character data being read.
    std::size_t textRoom() const noexcept {
        return m_limits->maxTokenBytes - std::min(m_textBytes, m_limits->maxTokenBytes);
    }
    // Counts a run of character data, as written, against maxTokenBytes.
    void countText(char const* from, char const* to) {
        std::size_t const run = static_cast<std::size_t>(to - from);
        std::size_t const room = textRoom();
        if (run > room) overLimit(from + room, Limit::TokenBytes);
        m_textBytes += run;
    }
    // `bytes` past `from`, or the end of the window when that comes first: no
    // sum is made that could wrap, whatever the limit `bytes` is.
    char const* bounded(char const* from, std::size_t bytes) const noexcept {
        return static_cast<std::size_t>(m_end - from) > bytes ? from + bytes : m_end;
    }
    // Where to stop looking for the end mark (of `markBytes`) of a token whose
    // content starts at `content`: past the longest content allowed and its
    // mark, or at the end of the window.
    char const* tokenLimit(char const* content, std::size_t markBytes) const noexcept {
        return bounded(bounded(content, m_limits->maxTokenBytes), markBytes);
    }
    void atLimit(char const* p, char const* limit, char const* content, char mark, std::size_t marks) const;
    [[noreturn]] void tokenTooLong(char const* content, char mark, std::size_t marks) const;

    XmlReadLimits const* m_limits;
    // Of m_limits, at hand where white space is read: a shorter run is taken
    // at once, a longer one looked at (see spaces()).
    std::size_t m_maxTokenBytes = 0;
    TextInput* m_input = nullptr;
    char const* m_cur = nullptr;
    char const* m_end = nullptr;
    bool m_final = false;
    char const* m_token = nullptr;  // where the token being read starts
    char const* m_inside = "";      // what it is, for an end of text inside it
    Where m_where = Where::BeforeRoot;
    std::size_t m_depth = 0;
    std::size_t m_textBytes = 0;       // of the run of character data being read
    char const* m_cdataEnd = nullptr;  // the rest of a CDATA section to hand on: [m_cur, m_cdataEnd)

    Guesses m_guesses;
    Name m_name;
    std::vector<Attribute> m_attributes;
    std::string m_values;  // the attribute values that references or white space changed
    bool m_emptyElement = false;
    std::string_view m_expectedEnd;
    bool m_endMatches = false;
    char const* m_at = nullptr;
    std::string_view m_text;
    char m_character[4] = {};  // a character of a reference, in UTF-8
};

}  // namespace Kestrune::Soa::Common::Xml::Reader
