#include "EventsPass.h"

namespace kxsoa_bench {

namespace {

class Counting final : public Kestrune::Soa::Common::Xml::XmlEventHandler {
public:
    EventCounts counts;

    void startElement(Kestrune::Soa::Common::Xml::XmlElementStart const& element) override {
        ++counts.elements;
        counts.attributes += element.attributeCount;
    }
    void characters(std::string_view text) override { counts.characters += text.size(); }
    void endElement() override {}
};

}  // namespace

EventCounts EventsPass::pass(std::string_view xml) {
    Counting counting;
    m_reader.read(xml, counting);
    return counting.counts;
}

}  // namespace kxsoa_bench
