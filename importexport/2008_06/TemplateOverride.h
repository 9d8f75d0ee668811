#pragma once

#include "host/ClassAllocation.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "xml/Content.h"
#include "xml/Export.h"
#include "xml/Handle.h"

#include <set>
#include <string>

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

class TemplateOverrideImpl;

/// Within one export record, the template (type and id) to use for the
/// business objects of one type instead of the record's own. Written as one
/// empty element; children of its element are ignored.
class KXSOAIMPORTEXPORT_EXPORT TemplateOverride : public Kestrune::Soa::Common::Xml::Handle<TemplateOverrideImpl> {
public:
    TemplateOverride();
    TemplateOverride(std::string const& businessObjectType, std::string const& templateType,
                     std::string const& templateId);

    std::string& getBusinessObjectType();  ///< "businessObjectType"
    std::string const& getBusinessObjectType() const;
    void setBusinessObjectType(std::string const& businessObjectType);
    std::string& getTemplateType();  ///< "templateType"
    std::string const& getTemplateType() const;
    void setTemplateType(std::string const& templateType);
    std::string& getTemplateId();  ///< "templateId"
    std::string const& getTemplateId() const;
    void setTemplateId(std::string const& templateId);

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(TemplateOverride)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT TemplateOverrideImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    TemplateOverrideImpl();
    TemplateOverrideImpl(std::string const& businessObjectType, std::string const& templateType,
                         std::string const& templateId);

    std::string& getBusinessObjectType() { return m_businessObjectType; }
    std::string const& getBusinessObjectType() const { return m_businessObjectType; }
    void setBusinessObjectType(std::string const& businessObjectType) { m_businessObjectType = businessObjectType; }
    std::string& getTemplateType() { return m_templateType; }
    std::string const& getTemplateType() const { return m_templateType; }
    void setTemplateType(std::string const& templateType) { m_templateType = templateType; }
    std::string& getTemplateId() { return m_templateId; }
    std::string const& getTemplateId() const { return m_templateId; }
    void setTemplateId(std::string const& templateId) { m_templateId = templateId; }

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    /// Its members by XML name, for what works on two types at once.
    static Kestrune::Soa::Common::Xml::TypeMembers const& members();

    KXSOA_CONTENT_FUNCTIONS(TemplateOverrideImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    TemplateOverrideImpl* reallyClone() const override;

private:
    struct Members;
    std::string m_businessObjectType;
    std::string m_templateType;
    std::string m_templateId;
};

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
