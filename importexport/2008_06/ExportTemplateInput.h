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

class ExportTemplateInputImpl;

/// Which kinds of export templates a template query asks for: one flag per
/// template list of the response. Written as one empty element; a default
/// filter asks for nothing (all five flags false).
class KXSOAIMPORTEXPORT_EXPORT ExportTemplateInput
    : public Kestrune::Soa::Common::Xml::Handle<ExportTemplateInputImpl> {
public:
    ExportTemplateInput();
    ExportTemplateInput(bool getObjectTemplates, bool getSpecTemplates, bool getConfiguredObjectTemplate,
                        bool getConfiguredSpecTemplate, bool getExcelTemplates);

    bool getGetObjectTemplates() const;  ///< "getObjectTemplates"
    void setGetObjectTemplates(bool getObjectTemplates);
    bool getGetSpecTemplates() const;  ///< "getSpecTemplates"
    void setGetSpecTemplates(bool getSpecTemplates);
    bool getGetConfiguredObjectTemplate() const;  ///< "getConfiguredObjectTemplate"
    void setGetConfiguredObjectTemplate(bool getConfiguredObjectTemplate);
    bool getGetConfiguredSpecTemplate() const;  ///< "getConfiguredSpecTemplate"
    void setGetConfiguredSpecTemplate(bool getConfiguredSpecTemplate);
    bool getGetExcelTemplates() const;  ///< "getExcelTemplates"
    void setGetExcelTemplates(bool getExcelTemplates);

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(ExportTemplateInput)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT ExportTemplateInputImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ExportTemplateInputImpl();
    ExportTemplateInputImpl(bool getObjectTemplates, bool getSpecTemplates, bool getConfiguredObjectTemplate,
                            bool getConfiguredSpecTemplate, bool getExcelTemplates);

    bool getGetObjectTemplates() const { return m_getObjectTemplates; }
    void setGetObjectTemplates(bool getObjectTemplates) { m_getObjectTemplates = getObjectTemplates; }
    bool getGetSpecTemplates() const { return m_getSpecTemplates; }
    void setGetSpecTemplates(bool getSpecTemplates) { m_getSpecTemplates = getSpecTemplates; }
    bool getGetConfiguredObjectTemplate() const { return m_getConfiguredObjectTemplate; }
    void setGetConfiguredObjectTemplate(bool getConfiguredObjectTemplate) {
        m_getConfiguredObjectTemplate = getConfiguredObjectTemplate;
    }
    bool getGetConfiguredSpecTemplate() const { return m_getConfiguredSpecTemplate; }
    void setGetConfiguredSpecTemplate(bool getConfiguredSpecTemplate) {
        m_getConfiguredSpecTemplate = getConfiguredSpecTemplate;
    }
    bool getGetExcelTemplates() const { return m_getExcelTemplates; }
    void setGetExcelTemplates(bool getExcelTemplates) { m_getExcelTemplates = getExcelTemplates; }

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    /// Its members by XML name, for what works on two types at once.
    static Kestrune::Soa::Common::Xml::TypeMembers const& members();

    KXSOA_CONTENT_FUNCTIONS(ExportTemplateInputImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ExportTemplateInputImpl* reallyClone() const override;

private:
    struct Members;
    bool m_getObjectTemplates = false;
    bool m_getSpecTemplates = false;
    bool m_getConfiguredObjectTemplate = false;
    bool m_getConfiguredSpecTemplate = false;
    bool m_getExcelTemplates = false;
};

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
