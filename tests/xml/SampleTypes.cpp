#include "SampleTypes.h"

#include "xml/Binding.h"

namespace kxsoa_test {

namespace binding = Kestrune::Soa::Common::Xml::Binding;

struct SampleItemImpl::Members {
    static constexpr auto table = std::make_tuple(binding::stringAttribute("name", &SampleItemImpl::m_name),
                                                  binding::boolAttribute("flag", &SampleItemImpl::m_flag));
};

struct SampleImpl::Members {
    static constexpr auto table = std::make_tuple(
        binding::stringAttribute("label", &SampleImpl::m_label),
        binding::boolAttribute("enabled", &SampleImpl::m_enabled), binding::stringList("notes", &SampleImpl::m_notes),
        binding::structList("items", &SampleImpl::m_items), binding::objectList("objects", &SampleImpl::m_objects),
        binding::nestedStruct("primary", &SampleImpl::m_primary), binding::serviceData(&SampleImpl::m_serviceData));
};

KXSOA_DEFINE_PAIRED_CLASS(SampleItem, "kxsoa_test::SampleItem", sampleNamespaceURI)
KXSOA_DEFINE_PAIRED_CLASS(Sample, "kxsoa_test::Sample", sampleNamespaceURI)

SampleItem::SampleItem(std::string const& name, bool flag) : Handle(binding::newObject<SampleItemImpl>(name, flag)) {}
SampleItemImpl::SampleItemImpl(std::string const& name, bool flag)
    : BaseObject(sampleNamespaceURI), m_name(name), m_flag(flag) {}

Sample::Sample(std::string const& label, bool enabled, SampleItem const& primary, ServiceData const& serviceData)
    : Handle(binding::newObject<SampleImpl>(label, enabled, primary, serviceData)) {}
SampleImpl::SampleImpl(std::string const& label, bool enabled, SampleItem const& primary,
                       ServiceData const& serviceData)
    : BaseObject(sampleNamespaceURI),
      m_label(label),
      m_enabled(enabled),
      m_primary(primary),
      m_serviceData(serviceData) {}

}  // namespace kxsoa_test
