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

class ConfiguredTemplateImpl;

/// One configured export template of the template query's response, written
/// as one empty element.
class KXSOAIMPORTEXPORT_EXPORT ConfiguredTemplate : public Kestrune::Soa::Common::Xml::Handle<ConfiguredTemplateImpl> {
public:
    ConfiguredTemplate();
    ConfiguredTemplate(std::string const& businessObjectType, std::string const& templateName,
                       std::string const& templateType);

    std::string& getBusinessObjectType();  ///< "businessObjectType"
    std::string const& getBusinessObjectType() const;
    void setBusinessObjectType(std::string const& businessObjectType);
    std::string& getTemplateName();  ///< "templateName"
    std::string const& getTemplateName() const;
    void setTemplateName(std::string const& templateName);
    std::string& getTemplateType();  ///< "templateType"
    std::string const& getTemplateType() const;
    void setTemplateType(std::string const& templateType);

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(ConfiguredTemplate)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT ConfiguredTemplateImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ConfiguredTemplateImpl();
    ConfiguredTemplateImpl(std::string const& businessObjectType, std::string const& templateName,
                           std::string const& templateType);

    std::string& getBusinessObjectType() { return m_businessObjectType; }
    std::string const& getBusinessObjectType() const { return m_businessObjectType; }
    void setBusinessObjectType(std::string const& businessObjectType) { m_businessObjectType = businessObjectType; }
    std::string& getTemplateName() { return m_templateName; }
    std::string const& getTemplateName() const { return m_templateName; }
    void setTemplateName(std::string const& templateName) { m_templateName = templateName; }
    std::string& getTemplateType() { return m_templateType; }
    std::string const& getTemplateType() const { return m_templateType; }
    void setTemplateType(std::string const& templateType) { m_templateType = templateType; }

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    /// Its members by XML name, for what works on two types at once.
    static Kestrune::Soa::Common::Xml::TypeMembers const& members();

    KXSOA_CONTENT_FUNCTIONS(ConfiguredTemplateImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ConfiguredTemplateImpl* reallyClone() const override;

private:
    struct Members;
    std::string m_businessObjectType;
    std::string m_templateName;
    std::string m_templateType;
};

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
