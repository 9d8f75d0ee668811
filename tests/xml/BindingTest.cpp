// Writing, reading and namespace gathering of every member kind, through the
// test-only types.

#include "SampleTypes.h"
#include "support/ProbeRecorder.h"
#include "support/RoundTrip.h"
#include "support/Xmllint.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"

#include <gtest/gtest.h>

using namespace kxsoa_test;
using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Xml::XmlDocument;

namespace {

Sample populated() {
    ServiceData serviceData;
    serviceData.addPartialError("partly " + troublesome);
    serviceData.addUpdatedObject(ModelObject("uid-9", "Item"));
    Sample sample(troublesome, true, SampleItem("primary", true), serviceData);
    sample->addNote("first");
    sample->addNote(troublesome);
    sample->addNote("");
    sample->addItem(SampleItem("one", false));
    sample->addItem(SampleItem(troublesome, true));
    sample->addObject(ModelObject("uid-1", "Folder"));
    sample->addObject(ModelObject("uid-2"));
    return sample;
}

}  // namespace

TEST(Binding, EveryKindComesBackMemberByMember) {
    Sample const original = populated();
    std::string const xml = written(original, "sample");
    EXPECT_TRUE(xmllintAccepts(xml));
    Sample const copy = readBack<Sample>(xml);
    EXPECT_TRUE(sameContent(original, copy));
    EXPECT_EQ(copy->getLabel(), troublesome);
    EXPECT_EQ(copy->getNoteArray()[1], troublesome);
}

TEST(Binding, DifferenceNamesTheFirstDifferingMemberOfEachKind) {
    std::string const xml = "<s:x xmlns:s='http://samples.test/Schemas/Sample' xmlns:b='" + baseURI +
                            "' label='L' enabled='true'><s:notes>a</s:notes><s:notes>b</s:notes>"
                            "<s:items name='i' flag='true'/><s:objects uid='u1' type='T'/><s:primary name='p'/>"
                            "<b:ServiceData><b:partialErrors message='m'/><b:updated uid='u9'/></b:ServiceData></s:x>";
    Sample const original = readBack<Sample>(xml);
    auto const differenceWith = [&](std::string const& from, std::string const& to) {
        std::string changed = xml;
        changed.replace(changed.find(from), from.size(), to);
        Sample const other = readBack<Sample>(changed);
        EXPECT_EQ(other.difference(original).empty(), original.difference(other).empty()) << changed;
        return original.difference(other);
    };
    EXPECT_EQ(original.difference(original), "");
    EXPECT_EQ(differenceWith("", ""), "");
    EXPECT_TRUE(original.sameContent(readBack<Sample>(xml)));
    EXPECT_EQ(differenceWith("label='L'", "label='L&#10;'"), "label: \"L\" vs \"L\\n\"");
    EXPECT_EQ(differenceWith("enabled='true'", "enabled='false'"), "enabled: true vs false");
    EXPECT_EQ(differenceWith(">b<", ">c<"), "notes[1]: \"b\" vs \"c\"");
    EXPECT_EQ(differenceWith("<s:notes>b</s:notes>", ""), "notes: 2 vs 1 entries");
    EXPECT_EQ(differenceWith("flag='true'", "flag='false'"), "items[0].flag: true vs false");
    EXPECT_EQ(differenceWith("type='T'", "type='U'"), "objects[0]: \"u1\" (T) vs \"u1\" (U)");
    EXPECT_EQ(differenceWith("name='p'", "name='q'"), "primary.name: \"p\" vs \"q\"");
    EXPECT_EQ(differenceWith("message='m'", "message='n'"), "ServiceData.partialErrors[0]: \"m\" vs \"n\"");
    EXPECT_EQ(differenceWith("uid='u9'", "uid='u8'"), "ServiceData.updatedObjects[0]: \"u9\" vs \"u8\"");
}

TEST(Binding, DumpShowsEveryMemberByItsXmlName) {
    ServiceData serviceData;
    serviceData.addPartialError("half \"done\"");
    Sample sample("L", true, SampleItem("p", false), serviceData);
    sample->addItem(SampleItem("i", true));
    sample->addObject(ModelObject("u1", "T"));
    sample->addObject(ModelObject("u2"));
    EXPECT_EQ(sample.dump(),
              "Sample\n"
              "  label: \"L\"\n"
              "  enabled: true\n"
              "  notes: none\n"
              "  items[0]:\n"
              "    name: \"i\"\n"
              "    flag: true\n"
              "  objects[0]: \"u1\" (T)\n"
              "  objects[1]: \"u2\"\n"
              "  primary:\n"
              "    name: \"p\"\n"
              "    flag: false\n"
              "  ServiceData:\n"
              "    partialErrors[0]: \"half \\\"done\\\"\"\n"
              "    updatedObjects: none\n");
}

TEST(Binding, LiteralFormOfEachKind) {
    Sample sample("L", false, SampleItem("p", true), ServiceData());
    sample->addNote("a&b");
    sample->addItem(SampleItem("i", false));
    sample->addObject(ModelObject("u1", "T"));
    EXPECT_EQ(written(sample, "sample"), "<ns2:sample xmlns:ns1=\"" + baseURI +
                                             "\" xmlns:ns2=\"http://samples.test/Schemas/Sample\""
                                             " label=\"L\" enabled=\"false\">"
                                             "<ns2:notes>a&amp;b</ns2:notes>"
                                             "<ns2:items name=\"i\" flag=\"false\"/>"
                                             "<ns2:objects uid=\"u1\" type=\"T\"/>"
                                             "<ns2:primary name=\"p\" flag=\"true\"/>"
                                             "<ServiceData xmlns=\"http://samples.test/Schemas/Sample\">"
                                             "</ServiceData>"
                                             "</ns2:sample>");
}

TEST(Binding, EmptyListsStillWriteStartAndEndTagsAndTheSingleMembers) {
    std::string const xml = written(Sample(), "s");
    EXPECT_NE(xml.find("label=\"\" enabled=\"false\">"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<ns2:primary name=\"\" flag=\"false\"/><ServiceData xmlns=\"" +
                       std::string(sampleNamespaceURI) + "\"></ServiceData></ns2:s>"),
              std::string::npos)
        << xml;
    EXPECT_EQ(written(SampleItem(), "item"),
              "<ns1:item xmlns:ns1=\"http://samples.test/Schemas/Sample\" name=\"\" flag=\"false\"/>");
}

TEST(Binding, InterleavedChildrenGoToTheirListsInDocumentOrder) {
    Sample sample = readBack<Sample>("<s:x xmlns:s='http://samples.test/Schemas/Sample' xmlns:b='" + baseURI +
                                     "'>"
                                     "<s:notes>n1</s:notes><s:items name='i1'/><b:ServiceData/><s:notes>n2</s:notes>"
                                     "<b:objects uid='o1'/><s:items name='i2' flag='1'/><s:objects uid='o2'/></s:x>");
    EXPECT_EQ(sample->getNoteArray(), (std::vector<std::string>{"n1", "n2"}));
    ASSERT_EQ(sample->getItemArray().size(), 2u);
    EXPECT_EQ(sample->getItemArray()[1]->getName(), "i2");
    EXPECT_TRUE(sample->getItemArray()[1]->getFlag());
    ASSERT_EQ(sample->getObjectArray().size(), 2u);
    EXPECT_EQ(sample->getObjectArray()[1].getUid(), "o2");
}

TEST(Binding, ParsingTwiceAppendsToListsReservingOnceForTheirOwnChildrenAndOverwritesAttributes) {
    XmlDocument const document = XmlDocument::parse(written(populated(), "s"));
    Sample sample;
    sample->setLabel("before");
    sample->addNote("kept");
    sample.parse(document.root());
    EXPECT_EQ(sample->getNoteArray().capacity(), 4u);
    EXPECT_EQ(sample->getItemArray().capacity(), 2u);
    sample.parse(document.root());
    EXPECT_EQ(sample->getLabel(), troublesome);
    EXPECT_EQ(sample->getNoteArray().size(), 7u);
    EXPECT_EQ(sample->getNoteArray().capacity(), 7u);
    EXPECT_EQ(sample->getNoteArray()[0], "kept");
    EXPECT_EQ(sample->getItemArray().size(), 4u);
    EXPECT_EQ(sample->getObjectArray().size(), 4u);
    EXPECT_EQ(sample->getObjectArray().capacity(), 4u);
    EXPECT_EQ(sample->getServiceData().getPartialErrors().size(), 2u);  // parsed in place, twice
}

TEST(Binding, SingleMembersAreReadInPlaceIntoTheSharedObject) {
    SampleItem primary("old", false);
    Sample sample("", false, primary, ServiceData());
    ServiceData serviceData = sample->getServiceData();
    XmlDocument const document =
        XmlDocument::parse("<s:x xmlns:s='http://samples.test/Schemas/Sample' xmlns:b='" + baseURI +
                           "'>"
                           "<s:primary name='first'/><s:primary name='second' flag='true'/>"
                           "<b:ServiceData><b:partialErrors message='m'/></b:ServiceData></s:x>");
    sample.parse(document.root());
    EXPECT_EQ(primary->getName(), "second");
    EXPECT_TRUE(primary->getFlag());
    EXPECT_EQ(serviceData.getPartialErrors(), std::vector<std::string>{"m"});
}

TEST(Binding, UnexpectedChildStopsParsingAndKeepsWhatWasRead) {
    ProbeRecorder probes;
    Sample sample;
    XmlDocument const document = XmlDocument::parse(
        "<s:x xmlns:s='http://samples.test/Schemas/Sample' label='read'>\n"
        "<s:notes>n1</s:notes><s:items name='i1'/>\n<s:Notes>case differs</s:Notes><s:notes>n2</s:notes></s:x>");
    try {
        sample.parse(document.root());
        ADD_FAILURE() << "no DomException";
    } catch (DomException const& e) {
        EXPECT_EQ(e.getMessage(), "Unexpected node name: Notes");
        EXPECT_EQ(e.line(), 3u);
    }
    EXPECT_EQ(sample->getLabel(), "read");
    EXPECT_EQ(sample->getNoteArray(), std::vector<std::string>{"n1"});
    EXPECT_EQ(sample->getItemArray().size(), 1u);
    EXPECT_EQ(probes.events, std::vector<std::string>{"start kxsoa_test::Sample::parse"});

    XmlDocument const serviceDataChild =
        XmlDocument::parse("<s:x xmlns:s='http://samples.test/Schemas/Sample'><s:servicedata/></s:x>");
    EXPECT_EQ(domExceptionMessage([&] { Sample().parse(serviceDataChild.root()); }),
              "Unexpected node name: servicedata");
}

TEST(Binding, AttributeOnlyTypesIgnoreChildrenAndForeignAttributes) {
    SampleItem const item = readBack<SampleItem>(
        "<s:i xmlns:s='http://samples.test/Schemas/Sample' other='x' name='n' flag=' true '>"
        "<s:anything/><whatever/></s:i>");
    EXPECT_EQ(item->getName(), "n");
    EXPECT_TRUE(item->getFlag());
    SampleItem const missing = readBack<SampleItem>("<i/>");
    EXPECT_EQ(missing->getName(), "");
    EXPECT_FALSE(missing->getFlag());
    EXPECT_EQ(domExceptionMessage([] { readBack<SampleItem>("<i flag='yes'/>"); }),
              "lexical_cast: \"yes\" is not a boolean (expected true, false, 1 or 0)");
}

TEST(Binding, ProbesFireOnlyForTheOutermostCallAndNestedChildrenAreInTheTypesNamespace) {
    Sample const sample = populated();
    ProbeRecorder probes;
    std::string const xml = written(sample, "s");
    EXPECT_EQ(probes.events,
              (std::vector<std::string>{"start kxsoa_test::Sample::outputXML", "end kxsoa_test::Sample::outputXML"}));
    probes.events.clear();
    readBack<Sample>(xml);
    EXPECT_EQ(probes.events,
              (std::vector<std::string>{"start kxsoa_test::Sample::parse", "end kxsoa_test::Sample::parse"}));

    probes.events.clear();
    XmlStream stream;
    stream << stream.writeOpenElement("urn:envelope", "envelope")
           << stream.writeOpenElementClose("urn:envelope", false);
    sample.outputXML(stream, "body");
    stream << stream.writeCloseElement("urn:envelope", "envelope");
    XmlDocument const envelope = XmlDocument::parse(stream.str());
    auto const& body = *envelope.root().children.begin();
    Sample().parse(body);
    EXPECT_TRUE(probes.events.empty());
    EXPECT_TRUE(xmllintAccepts(stream.str()));
    EXPECT_EQ(body.namespaceURI, sampleNamespaceURI);
    for (auto const& child : body.children) EXPECT_EQ(child.namespaceURI, sampleNamespaceURI) << child.name;
}

TEST(Binding, TextThatXmlCannotCarryIsRefusedBeforeAnythingIsWritten) {
    Sample sample;
    sample->addNote(std::string("bell\x07", 5));
    EXPECT_EQ(
        domExceptionMessage([&] { written(sample, "s"); }),
        "toXmlString: the control character U+0007 at byte offset 4 of a 5-byte text cannot be carried by XML 1.0");
}
