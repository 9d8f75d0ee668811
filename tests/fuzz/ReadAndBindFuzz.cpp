// libFuzzer target: any bytes, in one of the forms the reader accepts (or
// refuses by name), read from memory and from a stream that gives them in
// pieces of varied sizes. Both reads must end alike: the same tree, or a
// DomException (not always the same one: of two faults in a text, the one
// found first depends on how far the parser has read). The text is then read
// as each of the fifteen message types, through the tree and straight into
// the message, which must end alike (the same message written back, or the
// same DomException), and as any type, which must end alike from the text and
// from the tree; and whatever a type accepts must write itself, read
// that text back and write exactly the same text again. Never a crash, a leak or
// undefined behaviour. Build with the fuzz preset and run
//   build/fuzz/tests/fuzz/fuzz_read_and_bind -max_total_time=60 -timeout=10 <corpus folder>
// (with -timeout, a read that takes more than linear time is a finding).

#include "host/DomException.h"
#include "host/XmlDocument.h"
#include "importexport/AnyMessage.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"

#include "Pieces.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <streambuf>
#include <string>
#include <string_view>
#include <variant>

using namespace Kestrune::Soa::Common::Xml;
using Kestrune::Soa::Common::Exceptions::DomException;

namespace {

// Each byte as one UTF-16 unit (Latin-1 widened), in either byte order.
std::string widened(std::string const& text, bool bigEndian) {
    std::string out;
    for (char c : text) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

std::string declaration(char const* encoding) {
    return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>";
}

// The bytes as they are, or as the text of one of the forms a peer may send.
std::string formed(unsigned form, std::string const& text) {
    switch (form) {  // only the form asked for is built: this runs on every input
        case 1:
            return declaration("UTF-8") + text;
        case 2:
            return "\xEF\xBB\xBF" + text;
        case 3:
            return "\xFF\xFE" + widened(text, false);
        case 4:
            return "\xFE\xFF" + widened(text, true);
        case 5:
            return widened(declaration("UTF-16") + text, false);
        case 6:
            return declaration("ISO-2022-JP") + text;
        case 7:
            return "\xEF\xBB\xBF" + declaration("ISO-8859-1") + text;
        default:
            return text;
    }
}

// Names, namespaces, attributes and text of the whole tree, in order.
void describe(XMLNode const& node, std::string& out) {
    out.append(node.namespaceURI).append(1, '{').append(node.name).append(1, '\n');
    for (XMLAttribute const* a = node.attributesBegin(); a != node.attributesEnd(); ++a) {
        out.append(a->namespaceURI).append(1, '{').append(a->name).append(1, '=').append(a->value).append(1, '\n');
    }
    out.append(node.text).append(1, '\n');
    for (XMLNode const& child : node.children) describe(child, out);
    out.append(1, '}');
}

}  // namespace

// What `read` gives: the message written back, or the refusal.
template <class Read>
std::string outcome(Read&& read) {
    try {
        return read();
    } catch (DomException const& e) {
        return "refused: " + e.getMessage();
    }
}

// `root` read as Message through its tree, and the text read straight into
// Message, each written back under the root's name.
template <class Message>
std::string throughTree(XMLNode const& root) {
    Message message;
    message.parse(root);
    return writeMessage(message, std::string(root.name));
}
template <class Message>
std::string straight(std::string const& text, std::string const& rootName, XmlReadLimits const& limits) {
    // As parse(node), which takes any root: the root check is a read's own, tested apart.
    return writeMessage(MessageReader(limits, RootName::unchecked()).read<Message>(text), rootName);
}

// The same for reading as any type, the message written back under `rootName`.
template <class Read>
std::string readAsAny(Read&& read, std::string const& rootName) {
    return outcome([&] { return std::visit([&](auto const& m) { return writeMessage(m, rootName); }, read()); });
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    // The choices come from the end of the bytes, the text from the start,
    // so that a seed that is a document stays one.
    FuzzedDataProvider bytes(data, size);
    unsigned const form = bytes.ConsumeIntegralInRange<unsigned>(0, 7);
    std::uint8_t const pattern = bytes.ConsumeIntegral<std::uint8_t>();
    std::string const text = formed(form, bytes.ConsumeRemainingBytesAsString());
    XmlReadLimits limits;
    limits.maxDepth = 64;

    std::string fromMemory, fromStream;
    std::string rootName;
    std::string treeRefusal;
    try {
        XmlDocument const document = XmlDocument::parse(text, limits);
        describe(document.root(), fromMemory);
        rootName = std::string(document.root().name);
    } catch (DomException const& e) {
        fromMemory = "refused";
        treeRefusal = e.getMessage();
    }
    kxsoa_fuzz::Pieces pieces(text, pattern);
    std::istream in(&pieces);
    try {
        XmlDocument const document = XmlDocument::parse(in, limits);
        describe(document.root(), fromStream);
        forEachMessageType([&](auto listed) {
            using Message = typename decltype(listed)::Type;
            std::string const written = outcome([&] { return throughTree<Message>(document.root()); });
            if (outcome([&] { return straight<Message>(text, rootName, limits); }) != written) std::abort();
            if (written.rfind("refused: ", 0) == 0) return;  // not a document of this type
            // Whatever a type accepts it writes as text that reads back to the
            // same object: parsed text is always writable, no exception expected.
            if (throughTree<Message>(XmlDocument::parse(written).root()) != written) std::abort();
        });
        // As any type, straight from the text and from the tree: alike.
        MessageReader reader(limits);
        if (readAsAny([&] { return readAny(reader, text); }, rootName) !=
            readAsAny([&] { return parseAnyMessage(document.root()); }, rootName))
            std::abort();
    } catch (DomException const& e) {
        fromStream = "refused";
    }
    if (fromMemory != fromStream) std::abort();
    if (!treeRefusal.empty()) {
        // Straight into a message, the text is refused alike, whatever the
        // type (one of them, picked by the input's size).
        std::size_t index = 0;
        forEachMessageType([&](auto listed) {
            if (index++ != size % std::variant_size_v<AnyMessage>) return;
            if (outcome([&] { return straight<typename decltype(listed)::Type>(text, "r", limits); }) !=
                "refused: " + treeRefusal)
                std::abort();
        });
        MessageReader reader(limits);
        if (readAsAny([&] { return readAny(reader, text); }, "r") != "refused: " + treeRefusal) std::abort();
    }
    return 0;
}
