#pragma once

#include "host/ClassAllocation.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "xml/Content.h"
#include "xml/Export.h"
#include "xml/Handle.h"

#include <set>
#include <string>

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

class ImportFromApplicationInputDataImpl;

/// One import record: which application produced the data, what kind of
/// element to create from it, and the write ticket of the transient file that
/// holds the data. Written as one empty element carrying three attributes.
class KXSOAIMPORTEXPORT_EXPORT ImportFromApplicationInputData
    : public Kestrune::Soa::Common::Xml::Handle<ImportFromApplicationInputDataImpl> {
public:
    ImportFromApplicationInputData();
    ImportFromApplicationInputData(std::string const& applicationFormat, std::string const& createSpecElementType,
                                   std::string const& transientFileWriteTicket);

    /// Attribute "applicationFormat".
    std::string& getApplicationFormat();
    std::string const& getApplicationFormat() const;
    void setApplicationFormat(std::string const& applicationFormat);
    /// Attribute "createSpecElementType".
    std::string& getCreateSpecElementType();
    std::string const& getCreateSpecElementType() const;
    void setCreateSpecElementType(std::string const& createSpecElementType);
    /// Attribute "transientFileWriteTicket".
    std::string& getTransientFileWriteTicket();
    std::string const& getTransientFileWriteTicket() const;
    void setTransientFileWriteTicket(std::string const& transientFileWriteTicket);

    /// Reads the three attributes; child elements are ignored.
    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(ImportFromApplicationInputData)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT ImportFromApplicationInputDataImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ImportFromApplicationInputDataImpl();
    ImportFromApplicationInputDataImpl(std::string const& applicationFormat, std::string const& createSpecElementType,
                                       std::string const& transientFileWriteTicket);

    std::string& getApplicationFormat() { return m_applicationFormat; }
    std::string const& getApplicationFormat() const { return m_applicationFormat; }
    void setApplicationFormat(std::string const& applicationFormat) { m_applicationFormat = applicationFormat; }
    std::string& getCreateSpecElementType() { return m_createSpecElementType; }
    std::string const& getCreateSpecElementType() const { return m_createSpecElementType; }
    void setCreateSpecElementType(std::string const& createSpecElementType) {
        m_createSpecElementType = createSpecElementType;
    }
    std::string& getTransientFileWriteTicket() { return m_transientFileWriteTicket; }
    std::string const& getTransientFileWriteTicket() const { return m_transientFileWriteTicket; }
    void setTransientFileWriteTicket(std::string const& transientFileWriteTicket) {
        m_transientFileWriteTicket = transientFileWriteTicket;
    }

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    /// Its members by XML name, for what works on two types at once.
    static Kestrune::Soa::Common::Xml::TypeMembers const& members();

    KXSOA_CONTENT_FUNCTIONS(ImportFromApplicationInputDataImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ImportFromApplicationInputDataImpl* reallyClone() const override;

private:
    struct Members;
    std::string m_applicationFormat;
    std::string m_createSpecElementType;
    std::string m_transientFileWriteTicket;
};

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
