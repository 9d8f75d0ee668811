#pragma once

// Two test-only paired classes that between them use all seven member kinds,
// declared the way a message type is; their accessors are on the
// implementation classes alone.

#include "host/ClassAllocation.h"
#include "host/ModelObject.h"
#include "host/ServiceData.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "xml/Content.h"
#include "xml/Handle.h"

#include <set>
#include <string>
#include <vector>

namespace kxsoa_test {

inline constexpr char sampleNamespaceURI[] = "http://samples.test/Schemas/Sample";

class SampleItemImpl;
class SampleImpl;

using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;
using Kestrune::Soa::Common::Xml::XMLNode;
using Kestrune::Soa::Common::Xml::XmlStream;

// Attribute-only: "name" (string), "flag" (boolean, default false).
class SampleItem : public Kestrune::Soa::Common::Xml::Handle<SampleItemImpl> {
public:
    SampleItem();
    SampleItem(std::string const& name, bool flag);

    void parse(XMLNode const& node);
    void outputXML(XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(SampleItem)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

    // Tests look at counts and identity, and reach the accessors through
    // the implementation object: item->getName().
    using Handle::getHandleObject;
    SampleItemImpl* operator->() const { return &getHandleObject(); }
};

// Every kind: "label", "enabled", "notes", "items", "objects", "primary", "ServiceData".
class Sample : public Kestrune::Soa::Common::Xml::Handle<SampleImpl> {
public:
    Sample();
    Sample(std::string const& label, bool enabled, SampleItem const& primary, ServiceData const& serviceData);

    void parse(XMLNode const& node);
    void outputXML(XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(Sample)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

    using Handle::getHandleObject;
    SampleImpl* operator->() const { return &getHandleObject(); }
};

class SampleItemImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    SampleItemImpl();
    SampleItemImpl(std::string const& name, bool flag);

    std::string& getName() { return m_name; }
    std::string const& getName() const { return m_name; }
    void setName(std::string const& name) { m_name = name; }
    bool getFlag() const { return m_flag; }

    void parse(XMLNode const& node);
    void outputXML(XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(SampleItemImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    SampleItemImpl* reallyClone() const override;

private:
    struct Members;
    std::string m_name;
    bool m_flag = false;
};

class SampleImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    SampleImpl();
    SampleImpl(std::string const& label, bool enabled, SampleItem const& primary, ServiceData const& serviceData);

    std::string& getLabel() { return m_label; }
    std::string const& getLabel() const { return m_label; }
    void setLabel(std::string const& label) { m_label = label; }
    bool getEnabled() const { return m_enabled; }
    std::vector<std::string> const& getNoteArray() const { return m_notes; }
    void addNote(std::string const& note) { m_notes.push_back(note); }
    std::vector<SampleItem> const& getItemArray() const { return m_items; }
    void addItem(SampleItem const& item) { m_items.push_back(item); }
    std::vector<ModelObject> const& getObjectArray() const { return m_objects; }
    void addObject(ModelObject const& object) { m_objects.push_back(object); }
    SampleItem& getPrimary() { return m_primary; }
    SampleItem const& getPrimary() const { return m_primary; }
    ServiceData& getServiceData() { return m_serviceData; }
    ServiceData const& getServiceData() const { return m_serviceData; }

    void parse(XMLNode const& node);
    void outputXML(XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(SampleImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    SampleImpl* reallyClone() const override;

private:
    struct Members;
    std::string m_label;
    bool m_enabled = false;
    std::vector<std::string> m_notes;
    std::vector<SampleItem> m_items;
    std::vector<ModelObject> m_objects;
    SampleItem m_primary;
    ServiceData m_serviceData;
};

}  // namespace kxsoa_test
