// Reading straight from the text (MessageReader) against reading through a
// tree: the same values, errors, probes and allocations, for every type.

#include "support/CountingMemoryManager.h"
#include "support/HeapInUse.h"
#include "support/MessageTypes.h"
#include "support/ProbeRecorder.h"
#include "support/RoundTrip.h"

#include "host/DomException.h"
#include "host/XmlBinder.h"
#include "host/XmlDocument.h"
#include "host/XmlReader.h"
#include "importexport/2007_06/SchemaNamespace.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/SchemaNamespace.h"
#include "importexport/AnyMessage.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"
#include "xml/Sample.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::AnyMessage;
using Kestrune::Soa::Common::Xml::messageIndex;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::messageType;
using Kestrune::Soa::Common::Xml::parseAnyMessage;
using Kestrune::Soa::Common::Xml::readAny;
using Kestrune::Soa::Common::Xml::RootName;
using Kestrune::Soa::Common::Xml::writeMessage;
using Kestrune::Soa::Common::Xml::XmlDocument;
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlReadLimits;
using kxsoa_test::domExceptionMessage;
namespace v07 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

// A message read, written back under a root name and dumped.
struct Bound {
    std::string written;
    std::string dump;
};
template <class Message>
Bound bound(Message const& message, std::string const& elementName) {
    return {writeMessage(message, elementName), message.dump()};
}
// `root` read as Message through its tree, and the text read straight into Message.
template <class Message>
Bound bind(XMLNode const& root) {
    Message message;
    message.parse(root);
    return bound(message, std::string(root.name));
}
template <class Message>
Bound read(std::string_view text, std::string const& elementName, XmlReadLimits const& limits) {
    return bound(MessageReader(limits, RootName::unchecked()).read<Message>(text), elementName);
}
// "2008-06/ExportToApplicationInput"
template <class Message>
std::string fullName() {
    return std::string(messageType<Message>().version) + '/' + messageType<Message>().name;
}

// What one way of reading gave: the message written back and dumped, or the
// refusal; with the probes that fired and the objects the manager handed out.
struct Outcome {
    std::string result;
    bool refusedTheText = false;
    std::vector<std::string> probes;
    std::map<std::string, int, std::less<>> allocations;
};

template <class Read>
Outcome outcomeOf(Read&& read) {
    Outcome outcome;
    kxsoa_test::CountingMemoryManager manager;
    kxsoa_test::ScopedMemoryManager const installed(manager);
    kxsoa_test::ProbeRecorder recorder;
    try {
        Bound const message = read();
        outcome.result = message.written + "\n" + message.dump;
    } catch (DomException const& e) {
        // A refusal of the text has the path of what read it: a tree numbers
        // every element, a message only the entries of its lists.
        bool const ofTheText = Kestrune::Soa::Common::Exceptions::refusesTheText(e.kind());
        outcome.refusedTheText = ofTheText;
        outcome.result = "refused: " + e.getMessage() + " (line " + std::to_string(e.line()) + ", column " +
                         std::to_string(e.column()) + (ofTheText ? "" : ", at " + e.path()) + ")";
    }
    outcome.probes = recorder.events;
    outcome.allocations = manager.allocationsByType;
    return outcome;
}

// The text read as Message both ways, found alike.
template <class Message>
void expectAlike(std::string const& text, std::string const& what) {
    XmlReadLimits limits;
    std::string rootName = "root";
    Outcome const tree = outcomeOf([&] {
        XmlDocument const document = XmlDocument::parse(text, limits);
        rootName = std::string(document.root().name);
        return bind<Message>(document.root());
    });
    Outcome const direct = outcomeOf([&] { return read<Message>(text, rootName, limits); });
    EXPECT_EQ(direct.result, tree.result) << fullName<Message>() << " from " << what;
    EXPECT_EQ(direct.probes, tree.probes) << fullName<Message>() << " from " << what;
    if (tree.refusedTheText) return;  // the tree never bound: no object
    EXPECT_EQ(direct.allocations, tree.allocations) << fullName<Message>() << " from " << what;
}

v08::ExportToApplicationInput requestOf(int records, int entriesPerList) {
    v08::ExportToApplicationInput request;
    for (int r = 0; r < records; ++r) {
        v08::ExportToApplicationInputData1 record("csv", "t", std::to_string(r));
        for (int e = 0; e < entriesPerList; ++e) {
            record.addObjectsToExport(Kestrune::Schemas::Soa::_2006_03::Base::ModelObject("o" + std::to_string(e)));
            record.addAttributesToExport("a");
            record.addObjectTemplateOverride(v08::TemplateOverride("b", "t", "i"));
        }
        request.addInput(record);
    }
    return request;
}

// A message read straight from its text takes no more memory than its tree
// may (XmlReadLimits::maxTreeBytesPerByte), whatever the reader read before:
// lists of 64 entries in one message leave no room reserved for the next.
TEST(DirectRead, AMessageTakesTheMemoryOfItsOwnShapeWhateverCameBefore) {
    std::string const wide = writeMessage(requestOf(1, 64), "request");
    std::string const narrow = writeMessage(requestOf(100000, 1), "request");
    XmlReadLimits const limits;
    MessageReader reader(limits, RootName::anyName());
    EXPECT_EQ(reader.read<v08::ExportToApplicationInput>(wide).getInputArray().size(), 1u);
    std::size_t const before = kxsoa_test::heapInUse();
    v08::ExportToApplicationInput const read = reader.read<v08::ExportToApplicationInput>(narrow);
    std::size_t const held = kxsoa_test::heapInUse() - before;
    EXPECT_EQ(read.getInputArray().size(), 100000u);
    EXPECT_LE(held, limits.maxTreeBytesPerByte * narrow.size() + 64 * 1024)
        << static_cast<double>(held) / static_cast<double>(narrow.size()) << " bytes per byte";
}

// A list read straight from the text starts with the room that the last
// list of its entries read by the same reader ended with, up to 64 entries:
// one shape read again grows no list, another shape changes it at once.
TEST(DirectRead, AListStartsWithTheRoomTheLastListOfItsEntriesEndedWith) {
    MessageReader reader(XmlReadLimits(), RootName::anyName());
    auto const rooms = [&reader](int entries) {
        std::string const xml = writeMessage(requestOf(1, entries), "request");
        v08::ExportToApplicationInput const request = reader.read<v08::ExportToApplicationInput>(xml);
        v08::ExportToApplicationInputData1 const& record = request.getInputArray().front();
        return std::vector<std::size_t>{record.getObjectsToExportArray().capacity(),
                                        record.getAttributesToExportArray().capacity(),
                                        record.getObjectTemplateOverrideArray().capacity()};
    };
    // Each shape in turn, the room its lists start with.
    for (auto const& [entries, room] : {std::pair{5, 8u}, {5, 5u}, {2, 5u}, {2, 2u}, {100, 128u}, {1, 64u}, {1, 1u}})
        EXPECT_EQ(rooms(entries), std::vector<std::size_t>(3, room)) << entries << " after the shapes before";
    // What it keeps it gives up past its bound.
    EXPECT_GT(reader.keptBytes(), 0u);
    EXPECT_LE(reader.keptBytes(), reader.maxKeptBytes());
    reader.setMaxKeptBytes(0);
    for (int again = 0; again < 2; ++again) {
        EXPECT_EQ(rooms(5), std::vector<std::size_t>(3, 8u));  // grown as entries came
        EXPECT_EQ(reader.keptBytes(), 0u);
    }
}

// A reused reader gives each message the outcome a new reader gives it, its
// probes included, whatever the messages before: broken after the root's
// start tag, in another namespace, refused by binding, or read whole.
TEST(DirectRead, AReusedReaderReadsEachMessageAsANewOne) {
    std::string const good = writeMessage(requestOf(2, 2), "request");
    std::string const sequence[] = {
        good.substr(0, good.find("<ns1:inputs")) + "<ns1:inputs",  // broken after the root's start tag
        "<r xmlns='urn:other'/>",                                  // another namespace
        std::string(good).insert(good.rfind("</"), "<ns1:unknown/>"),
        good,
        good.substr(0, good.size() - 1),
        good,
    };
    MessageReader reused(XmlReadLimits(), RootName::anyName());
    for (std::string const& text : sequence) {
        MessageReader fresh(XmlReadLimits(), RootName::anyName());
        auto const outcome = [&text](MessageReader& reader) {
            kxsoa_test::ProbeRecorder probes;
            std::string result;
            try {
                result = writeMessage(reader.read<v08::ExportToApplicationInput>(text), "r");
            } catch (DomException const& e) {
                result = e.getMessage() + " (line " + std::to_string(e.line()) + ")";
            }
            for (std::string const& event : probes.events) result += "\n" + event;
            return result;
        };
        EXPECT_EQ(outcome(reused), outcome(fresh)) << text;
    }
}

// A read whose text breaks off leaves in the object only what was read
// whole: the entries whose elements had not ended, a record and a text
// inside it, are taken off their lists again.
TEST(DirectRead, ATextThatBreaksOffLeavesNoHalfReadEntry) {
    std::string const good = writeMessage(requestOf(2, 2), "request");
    std::string const broken = good.substr(0, good.rfind("<ns1:attributesToExport>") + 26);  // "a" of the second
    v08::ExportToApplicationInput message;
    auto& object = Kestrune::Soa::Common::Xml::HandleAccess::object(message);
    Kestrune::Soa::Common::Xml::XmlBinder binder;
    binder.readInto(object, Kestrune::Soa::Common::Xml::ImplOf<v08::ExportToApplicationInput>::xmlElementType());
    Kestrune::Soa::Common::Xml::XmlReader reader;
    EXPECT_THROW(reader.read(broken, binder), DomException);
    binder.abandon();
    ASSERT_EQ(message.getInputArray().size(), 1u);
    EXPECT_EQ(message.getInputArray()[0].dump(), requestOf(1, 2).getInputArray()[0].dump());
}

// A reused reader finds each member by its name in the document read, not
// by where it found it in the last one: the same names, met in another
// order (attributes and children), number otherwise. In a lenient read the
// first attribute of a local name counts, whatever its namespace.
TEST(DirectRead, AReusedReaderFindsMembersByTheirNamesWhateverTheirOrderBefore) {
    std::string const open = std::string("<ns1:ExportToApplicationInput xmlns:ns1='") +
                             Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::schemaNamespaceURI + "'>";
    std::string const close = "</ns1:ExportToApplicationInput>";
    std::string const object = "<ns1:objectsToExport uid='u1' type='t1'/>";
    std::string const swapped = "<ns1:objectsToExport type='t2' uid='u2'/>";
    std::string const sequence[] = {
        open + "<ns1:inputs applicationFormat='f' templateType='y' templateId='i'>" + object +
            "<ns1:attributesToExport>a</ns1:attributesToExport></ns1:inputs>" + close,
        open + "<ns1:inputs templateId='i' templateType='y' applicationFormat='f'>" +
            "<ns1:attributesToExport>a</ns1:attributesToExport>" + swapped + object + "</ns1:inputs>" + close,
        open + "<ns1:inputs xmlns:o='urn:o' o:templateType='z' templateType='y' applicationFormat='f' templateId='i'>" +
            swapped + "</ns1:inputs>" + close,
        open + "<ns1:inputs applicationFormat='f' templateType='y' templateId='i'>" + object + swapped + object +
            "</ns1:inputs>" + close,
    };
    MessageReader reused(XmlReadLimits(), RootName::anyName());
    for (std::string const& text : sequence) {
        MessageReader fresh(XmlReadLimits(), RootName::anyName());
        auto const outcome = [&text](MessageReader& reader) {
            try {
                return writeMessage(reader.read<v08::ExportToApplicationInput>(text), "r");
            } catch (DomException const& e) {
                return e.getMessage();
            }
        };
        EXPECT_EQ(outcome(reused), outcome(fresh)) << text;
    }
    // The record read whole, each value in its member.
    v08::ExportToApplicationInput const read = reused.read<v08::ExportToApplicationInput>(sequence[1]);
    v08::ExportToApplicationInputData1 const& record = read.getInputArray().at(0);
    EXPECT_EQ(record.getApplicationFormat() + "|" + record.getTemplateType() + "|" + record.getTemplateId(), "f|y|i");
    ASSERT_EQ(record.getObjectsToExportArray().size(), 2u);
    EXPECT_EQ(record.getObjectsToExportArray()[0].getUid() + "|" + record.getObjectsToExportArray()[0].getType() + "|" +
                  record.getObjectsToExportArray()[1].getUid() + "|" + record.getObjectsToExportArray()[1].getType(),
              "u2|t2|u1|t1");
}

// One binder fed by two readers in turn, each of which numbers the names
// in the order its first document met them: what the binder learnt of one
// reader's numbers is not taken for the other's; nor, from a reader that
// gives back its memory after each read, the numbers before for the
// numbers after.
TEST(DirectRead, ABinderFedByTwoReadersInTurnFindsMembersByTheirNames) {
    using Kestrune::Soa::Common::Xml::XmlBinder;
    std::string const open = std::string("<ns1:ExportToApplicationInput xmlns:ns1='") +
                             Kestrune::Schemas::Importexport::_2008_06::Fileimportexport::schemaNamespaceURI + "'>";
    std::string const close = "</ns1:ExportToApplicationInput>";
    std::string const inOrder = open + "<ns1:inputs applicationFormat='f' templateType='y' templateId='i'>" +
                                "<ns1:objectsToExport uid='u' type='t'/></ns1:inputs>" + close;
    std::string const reversed = open + "<ns1:inputs templateId='i' templateType='y' applicationFormat='f'>" +
                                 "<ns1:objectsToExport type='t' uid='u'/></ns1:inputs>" + close;
    Kestrune::Soa::Common::Xml::XmlReader first, second;
    XmlBinder binder;
    auto const read = [&binder](Kestrune::Soa::Common::Xml::XmlReader& reader, std::string const& text) {
        v08::ExportToApplicationInput message;
        binder.readInto(Kestrune::Soa::Common::Xml::HandleAccess::object(message),
                        Kestrune::Soa::Common::Xml::ImplOf<v08::ExportToApplicationInput>::xmlElementType(),
                        XmlBinder::Options(), reader.nameNumbering());
        reader.read(text, binder);
        binder.finish();
        v08::ExportToApplicationInputData1 const& record = message.getInputArray().at(0);
        auto const& object = record.getObjectsToExportArray().at(0);
        return record.getApplicationFormat() + "|" + record.getTemplateType() + "|" + record.getTemplateId() + "|" +
               object.getUid() + "|" + object.getType();
    };
    EXPECT_NE(first.nameNumbering(), second.nameNumbering());
    for (int turn = 0; turn < 2; ++turn) {
        EXPECT_EQ(read(first, inOrder), "f|y|i|u|t");
        EXPECT_EQ(read(second, reversed), "f|y|i|u|t");
        EXPECT_EQ(read(first, reversed), "f|y|i|u|t");
        EXPECT_EQ(read(second, inOrder), "f|y|i|u|t");
    }
    Kestrune::Soa::Common::Xml::XmlReader releasing;
    releasing.setMaxKeptBytes(0);
    for (int turn = 0; turn < 2; ++turn) {
        EXPECT_EQ(read(releasing, inOrder), "f|y|i|u|t");
        EXPECT_EQ(read(releasing, reversed), "f|y|i|u|t");
    }
}

// Siblings of five kinds at one depth, each kind's attributes the same two
// names in its own order: each kind finds its attributes by what it learnt
// of them, not by what another kind learnt, over more kinds than an
// element keeps and from one read to the next.
namespace kinds {

using namespace Kestrune::Soa::Common::Xml;

struct Log : BaseObject {
    Log() : BaseObject("urn:k") {}
    BaseObject* reallyClone() const override { return new Log(*this); }
    std::vector<std::string> entries;
};

constexpr std::size_t kKinds = 5;
XmlAttributeRule const xy[] = {{"x", XmlValueType::String}, {"y", XmlValueType::String}};
XmlAttributeRule const yx[] = {{"y", XmlValueType::String}, {"x", XmlValueType::String}};

template <std::size_t Kind>
XmlElementRules const& rules() {
    static XmlElementRules const own{"urn:k", {}, XmlContent::Empty, Kind % 2 == 0 ? xy : yx, 2, nullptr, 0};
    return own;
}

template <std::size_t Kind>
XmlElementType const& type() {
    static XmlElementType const own{
        nullptr, &rules<Kind>(),
        [](BaseObject& object, XmlElementStart const&, std::string_view const* values) {
            XmlAttributeRule const* const names = rules<Kind>().attributes;
            static_cast<Log&>(object).entries.push_back(std::to_string(Kind) + ' ' + std::string(names[0].name) + '=' +
                                                        std::string(values[0]) + ' ' + std::string(names[1].name) +
                                                        '=' + std::string(values[1]));
        },
        [](BaseObject&, std::size_t, std::string_view const*, XmlListRoom const&) { return XmlChild::skipped(); }};
    return own;
}

XmlChildRule const children[] = {{"k0", false, true, &rules<0>},
                                 {"k1", false, true, &rules<1>},
                                 {"k2", false, true, &rules<2>},
                                 {"k3", false, true, &rules<3>},
                                 {"k4", false, true, &rules<4>}};
XmlElementType const* const childTypes[] = {&type<0>(), &type<1>(), &type<2>(), &type<3>(), &type<4>()};
XmlElementRules const rootRules{"urn:k", {}, XmlContent::Elements, nullptr, 0, children, kKinds};
XmlElementType const rootType{nullptr, &rootRules, [](BaseObject&, XmlElementStart const&, std::string_view const*) {},
                              [](BaseObject& object, std::size_t index, std::string_view const*, XmlListRoom const&) {
                                  return XmlChild::inPlace(object, *childTypes[index]);
                              }};

}  // namespace kinds

TEST(DirectRead, SiblingsOfManyKindsEachFindTheirAttributesByTheirNames) {
    using namespace kinds;
    // Each kind in turn, then back to the first kinds, with the attributes
    // in the kind's order and then the other way round.
    std::string text = "<r xmlns='urn:k'>";
    std::vector<std::string> expected;
    int value = 0;
    for (std::size_t pass = 0; pass < 2; ++pass) {
        for (std::size_t kind : {0, 1, 0, 1, 2, 3, 4, 0, 1, 4, 2}) {
            std::string const first = std::to_string(++value), second = std::to_string(++value);
            std::string const k = "k" + std::to_string(kind);
            bool const xFirst = (kind % 2 == 0) != (pass == 1);
            text += "<" + k + (xFirst ? " x='" : " y='") + first + (xFirst ? "' y='" : "' x='") + second + "'/>";
            std::string const x = xFirst ? first : second, y = xFirst ? second : first;
            expected.push_back(std::to_string(kind) + (kind % 2 == 0 ? " x=" + x + " y=" + y : " y=" + y + " x=" + x));
        }
    }
    text += "</r>";
    XmlReader reader;
    XmlBinder binder;
    for (int read = 0; read < 3; ++read) {
        Log log;
        binder.readInto(log, rootType, XmlBinder::Options(), reader.nameNumbering());
        reader.read(text, binder);
        binder.finish();
        EXPECT_EQ(log.entries, expected) << "read " << read;
    }
}

std::vector<std::string> handed;  // the dumps of the records handed on
void keep(v08::ExportToApplicationInputData1 const& record) { handed.push_back(record.dump()); }

// Records are handed on as they end, none kept in the request returned, to
// any callable: a lambda (const or not), a std::function (const or not), a
// function and a pointer to one; from a text and from a stream; and by
// readEachAny, which takes a request of any type. A record refused in its
// middle is not handed on; those before it were; and after the refusal,
// none is handed on.
TEST(DirectRead, RecordsGoOneAtATimeAsTheyEndToAnyCallableAndNoneIsKept) {
    using Request = v08::ExportToApplicationInput;
    Request const request = requestOf(3, 1);
    std::string const xml = writeMessage(request, "ExportToApplicationInput");
    std::vector<std::string> records;
    for (auto const& record : request.getInputArray()) records.push_back(record.dump());
    MessageReader reader;  // one for every way
    auto const lambda = [](v08::ExportToApplicationInputData1 const& record) { keep(record); };
    auto const any = [](auto const& record) { handed.push_back(record.dump()); };
    std::function<void(v08::ExportToApplicationInputData1 const&)> const constFunction = lambda;
    std::function<void(v08::ExportToApplicationInputData1 const&)> function = lambda;
    std::istringstream in(xml), anyIn(xml);
    std::pair<char const*, std::function<Request()>> const ways[] = {
        {"a const lambda", [&] { return reader.readEach<Request>(xml, lambda); }},
        {"from a stream", [&] { return reader.readEach<Request>(in, lambda); }},
        {"a const std::function", [&] { return reader.readEach<Request>(xml, constFunction); }},
        {"a std::function", [&] { return reader.readEach<Request>(xml, function); }},
        {"a mutable lambda", [&] { return reader.readEach<Request>(xml, [](auto const& r) mutable { keep(r); }); }},
        {"a function", [&] { return reader.readEach<Request>(xml, keep); }},
        {"a pointer to a function", [&] { return reader.readEach<Request>(xml, &keep); }},
        {"any request", [&] { return std::get<Request>(readEachAny(reader, xml, any)); }},
        {"any request from a stream", [&] { return std::get<Request>(readEachAny(reader, anyIn, any)); }},
    };
    for (auto const& [way, read] : ways) {
        handed.clear();
        EXPECT_TRUE(read().getInputArray().empty()) << way;
        EXPECT_EQ(handed, records) << way;
    }
    std::string broken = xml;
    broken.insert(broken.find("templateId=\"2\">") + 15, "<ns1:oops/>");
    for (std::function<void()> const& readBroken : std::initializer_list<std::function<void()>>{
             [&] { reader.readEach<Request>(broken, keep); }, [&] { readEachAny(reader, broken, any); }}) {
        handed.clear();
        EXPECT_EQ(domExceptionMessage(readBroken), "Unexpected node name: oops");
        EXPECT_EQ(handed, std::vector<std::string>(records.begin(), records.begin() + 2));
        EXPECT_EQ(reader.read<Request>(xml).getInputArray().size(), 3u);  // none handed on after the read
        EXPECT_EQ(handed.size(), 2u);
    }
}

// A read started from the reader's own callback, of any kind, is refused
// before it changes anything: it allocates no message, and the outer read
// goes on handing its records to its own callback.
TEST(DirectRead, AReadStartedFromTheReadersOwnCallbackIsRefusedBeforeItChangesAnything) {
    using Request = v08::ExportToApplicationInput;
    std::string const xml = writeMessage(requestOf(3, 1), "ExportToApplicationInput");
    MessageReader reader;
    kxsoa_test::CountingMemoryManager manager;
    kxsoa_test::ScopedMemoryManager const installed(manager);
    std::vector<std::string> refusals;
    std::size_t records = 0;
    auto const inner = [&](auto const&) {
        ++records;
        int const allocations = manager.allocations;
        auto const ignore = [](auto const&) {};
        for (std::function<void()> const& read : std::initializer_list<std::function<void()>>{
                 [&] { reader.read<Request>(xml); }, [&] { reader.readEach<Request>(xml, ignore); },
                 [&] { readAny(reader, xml); }, [&] { readEachAny(reader, xml, ignore); }})
            refusals.push_back(domExceptionMessage(read));
        EXPECT_EQ(manager.allocations, allocations);
    };
    EXPECT_TRUE(reader.readEach<Request>(xml, inner).getInputArray().empty());
    EXPECT_EQ(readEachAny(reader, xml, inner).index(),
              messageIndex(v08::schemaNamespaceURI, "ExportToApplicationInput"));
    EXPECT_EQ(records, 6u);
    EXPECT_EQ(refusals, std::vector<std::string>(24,
                                                 "MessageReader: a read was started while this reader is reading "
                                                 "(from its own callback); a reader reads one message at a time: "
                                                 "read the inner message with a reader of its own"));
}

// A message read as any type, written back under `elementName` and dumped.
Bound boundAny(AnyMessage const& message, std::string const& elementName) {
    return std::visit([&](auto const& held) { return bound(held, elementName); }, message);
}

// Every type reads every sample (each also with an unknown child, refused in
// the middle of a record) and every seed straight from the text as through a
// tree. And a sample read as any message, from a text, a stream and a tree,
// is read as the type its root names, with its values, refusals, probes and
// allocations.
TEST(DirectRead, EveryTypeReadsEverySampleAndSeedAsThroughATreeAndAnyMessageAsTheTypeItsRootNames) {
    using Kestrune::Soa::Common::Xml::forEachMessageType;
    std::vector<std::pair<std::string, std::string>> texts;
    MessageReader reader;  // one for every type
    std::size_t index = 0;
    forEachMessageType([&](auto listed) {
        using Message = typename decltype(listed)::Type;
        char const* const name = messageType<Message>().name;
        EXPECT_EQ(messageIndex(messageType<Message>().namespaceURI, name), index);
        std::string const sample = writeMessage(Kestrune::Soa::Common::Xml::makeSample<Message>(3), name);
        std::size_t const end = sample.rfind("</");  // none when the root is empty: a record of attributes
        std::string const refused = end == std::string::npos ? sample : std::string(sample).insert(end, "\n<unknown/>");
        texts.emplace_back(fullName<Message>(), sample);
        texts.emplace_back(fullName<Message>() + " with an unknown child", refused);
        for (std::string const& text : {sample, refused}) {
            Outcome const known = outcomeOf([&] { return read<Message>(text, name, {}); });
            for (char const* from : {"text", "stream", "tree"}) {
                Outcome const any = outcomeOf([&] {
                    std::istringstream in(text);
                    AnyMessage const message = from[1] == 'e'   ? readAny(reader, text)
                                               : from[1] == 't' ? readAny(reader, in)
                                                                : parseAnyMessage(XmlDocument::parse(text).root());
                    EXPECT_EQ(message.index(), index);
                    return boundAny(message, name);
                });
                EXPECT_EQ(any.result, known.result) << fullName<Message>() << " from " << from;
                EXPECT_EQ(any.probes, known.probes) << fullName<Message>() << " from " << from;
                EXPECT_EQ(any.allocations, known.allocations) << fullName<Message>() << " from " << from;
            }
        }
        ++index;
    });
    for (auto const& seed : std::filesystem::directory_iterator(KXSOA_READ_SEEDS)) {
        std::ifstream in(seed.path(), std::ios::binary);
        texts.emplace_back(seed.path().filename().string(), std::string(std::istreambuf_iterator<char>(in), {}));
    }
    // A refusal before a fault in the text is the text's error either way.
    std::string const sample = writeMessage(
        Kestrune::Soa::Common::Xml::makeSample<v08::ExportToApplicationInputData1>(2), "ExportToApplicationInputData1");
    texts.emplace_back("a broken text after an unknown child", sample.substr(0, sample.find("/>") + 2) + "<unknown/><");
    forEachMessageType([&](auto listed) {
        for (auto const& [what, text] : texts) expectAlike<typename decltype(listed)::Type>(text, what);
    });
}

TEST(DirectRead, AnyMessageRefusesARootThatTellsNoTypeListingWhatItAccepts) {
    std::string const uri7 = v07::schemaNamespaceURI, uri8 = v08::schemaNamespaceURI;
    std::string const versions = "which is no message version's: 2007-06 \"" + uri7 + "\" or 2008-06 \"" + uri8 + "\"";
    std::string const named = "<ImportFromApplicationInputData1 xmlns='" + uri7 + "'/>";
    struct Case {
        std::string text, refusal;
    };
    for (Case const& c : {
             Case{"<r xmlns='urn:x'>\n<a/></r>",
                  "the root element \"r\" is in namespace \"urn:x\", " + versions + " (line 1, column 17, at /r)"},
             Case{"<r/>", "the root element \"r\" is in no namespace, " + versions + " (line 1, column 4, at /r)"},
             Case{named, "the root element \"ImportFromApplicationInputData1\" in namespace \"" + uri7 +
                             "\" names none of the accepted 2007-06 messages: " +
                             kxsoa_test::typesOfVersion("2007-06") + " (line 1, column " +
                             std::to_string(named.find("/>") + 2) + ", at /ImportFromApplicationInputData1)"},
         }) {
        MessageReader reader;
        EXPECT_EQ(kxsoa_test::domExceptionPlace([&] { readAny(reader, c.text); }), c.refusal);
        EXPECT_EQ(kxsoa_test::domExceptionPlace([&] { parseAnyMessage(XmlDocument::parse(c.text).root()); }),
                  c.refusal);
        // A broken text is refused as such, whatever its root.
        EXPECT_EQ(kxsoa_test::domExceptionPlace([&] { readAny(reader, c.text + "<"); }),
                  kxsoa_test::domExceptionPlace([&] { XmlDocument::parse(c.text + "<"); }));
    }
}

}  // namespace
