// Each list reserves room for its own entries, once, before appending.

#include "SampleTypes.h"

#include "host/XmlDocument.h"
#include "host/XmlStream.h"

#include <gtest/gtest.h>

using namespace kxsoa_test;
using Kestrune::Soa::Common::Xml::XmlDocument;

TEST(ListRoom, EachListReservesForItsOwnChildrenOnlyAndOnce) {
    Sample sample;
    for (int i = 0; i < 5; ++i) sample->addNote("note");
    sample->addItem(SampleItem("one", false));
    sample->addItem(SampleItem("two", true));
    sample->addObject(ModelObject("uid-1", "Folder"));
    XmlStream stream;
    sample.outputXML(stream, "sample");
    XmlDocument const document = XmlDocument::parse(stream.str());

    Sample read;
    read.parse(document.root());
    EXPECT_EQ(read->getNoteArray().capacity(), 5u);
    EXPECT_EQ(read->getItemArray().capacity(), 2u);
    EXPECT_EQ(read->getObjectArray().capacity(), 1u);
    read.parse(document.root());  // appends: room for the second set too, in one step
    EXPECT_EQ(read->getNoteArray().capacity(), 10u);
    EXPECT_EQ(read->getItemArray().capacity(), 4u);
    EXPECT_EQ(read->getObjectArray().capacity(), 2u);
}
