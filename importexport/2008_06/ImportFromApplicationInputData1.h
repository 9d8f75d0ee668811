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

class ImportFromApplicationInputData1Impl;

/// One import record: what the data in the transient file is and what to make
/// of it. Written as one empty element; children of its element are ignored.
class KXSOAIMPORTEXPORT_EXPORT ImportFromApplicationInputData1
    : public Kestrune::Soa::Common::Xml::Handle<ImportFromApplicationInputData1Impl> {
public:
    ImportFromApplicationInputData1();
    ImportFromApplicationInputData1(std::string const& applicationFormat, std::string const& specificationType,
                                    std::string const& createSpecElementType, bool isLive,
                                    std::string const& transientFileWriteTicket);

    std::string& getApplicationFormat();  ///< "applicationFormat"
    std::string const& getApplicationFormat() const;
    void setApplicationFormat(std::string const& applicationFormat);
    std::string& getSpecificationType();  ///< "specificationType"
    std::string const& getSpecificationType() const;
    void setSpecificationType(std::string const& specificationType);
    std::string& getCreateSpecElementType();  ///< "createSpecElementType"
    std::string const& getCreateSpecElementType() const;
    void setCreateSpecElementType(std::string const& createSpecElementType);
    bool getIsLive() const;  ///< "isLive"; false by default
    void setIsLive(bool isLive);
    std::string& getTransientFileWriteTicket();  ///< "transientFileWriteTicket"
    std::string const& getTransientFileWriteTicket() const;
    void setTransientFileWriteTicket(std::string const& transientFileWriteTicket);

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(ImportFromApplicationInputData1)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT ImportFromApplicationInputData1Impl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ImportFromApplicationInputData1Impl();
    ImportFromApplicationInputData1Impl(std::string const& applicationFormat, std::string const& specificationType,
                                        std::string const& createSpecElementType, bool isLive,
                                        std::string const& transientFileWriteTicket);

    std::string& getApplicationFormat() { return m_applicationFormat; }
    std::string const& getApplicationFormat() const { return m_applicationFormat; }
    void setApplicationFormat(std::string const& applicationFormat) { m_applicationFormat = applicationFormat; }
    std::string& getSpecificationType() { return m_specificationType; }
    std::string const& getSpecificationType() const { return m_specificationType; }
    void setSpecificationType(std::string const& specificationType) { m_specificationType = specificationType; }
    std::string& getCreateSpecElementType() { return m_createSpecElementType; }
    std::string const& getCreateSpecElementType() const { return m_createSpecElementType; }
    void setCreateSpecElementType(std::string const& createSpecElementType) {
        m_createSpecElementType = createSpecElementType;
    }
    bool getIsLive() const { return m_isLive; }
    void setIsLive(bool isLive) { m_isLive = isLive; }
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

    KXSOA_CONTENT_FUNCTIONS(ImportFromApplicationInputData1Impl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ImportFromApplicationInputData1Impl* reallyClone() const override;

private:
    struct Members;
    std::string m_applicationFormat;
    std::string m_specificationType;
    std::string m_createSpecElementType;
    bool m_isLive = false;
    std::string m_transientFileWriteTicket;
};

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
