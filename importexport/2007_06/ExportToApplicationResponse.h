#pragma once

#include "host/ClassAllocation.h"
#include "host/ServiceData.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "xml/Content.h"
#include "xml/Export.h"
#include "xml/Handle.h"

#include <set>
#include <string>
#include <vector>

namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport {

class ExportToApplicationResponseImpl;

using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;

/// The answer to an export: the read tickets of the transient files that hold
/// the exported data, and the call's service data.
class KXSOAIMPORTEXPORT_EXPORT ExportToApplicationResponse
    : public Kestrune::Soa::Common::Xml::Handle<ExportToApplicationResponseImpl> {
public:
    ExportToApplicationResponse();
    /// The list starts empty; the service data is shared with the caller's.
    explicit ExportToApplicationResponse(ServiceData const& serviceData);

    /// One "transientFileReadTickets" child per ticket, holding the ticket as text.
    std::vector<std::string> const& getTransientFileReadTicketArray() const;
    void setTransientFileReadTicketArray(std::vector<std::string> const& transientFileReadTickets);
    void addTransientFileReadTicket(std::string const& transientFileReadTicket);
    /// The "ServiceData" child, written last and without prefix.
    ServiceData& getServiceData();
    ServiceData const& getServiceData() const;
    void setServiceData(ServiceData const& serviceData);

    /// Appends the tickets it reads and parses "ServiceData" into the service
    /// data it holds; never clears.
    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(ExportToApplicationResponse)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT ExportToApplicationResponseImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ExportToApplicationResponseImpl();
    explicit ExportToApplicationResponseImpl(ServiceData const& serviceData);

    std::vector<std::string> const& getTransientFileReadTicketArray() const { return m_transientFileReadTickets; }
    void setTransientFileReadTicketArray(std::vector<std::string> const& transientFileReadTickets) {
        m_transientFileReadTickets = transientFileReadTickets;
    }
    void addTransientFileReadTicket(std::string const& transientFileReadTicket) {
        m_transientFileReadTickets.push_back(transientFileReadTicket);
    }
    ServiceData& getServiceData() { return m_serviceData; }
    ServiceData const& getServiceData() const { return m_serviceData; }
    void setServiceData(ServiceData const& serviceData) { m_serviceData = serviceData; }

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    /// Its members by XML name, for what works on two types at once.
    static Kestrune::Soa::Common::Xml::TypeMembers const& members();

    KXSOA_CONTENT_FUNCTIONS(ExportToApplicationResponseImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ExportToApplicationResponseImpl* reallyClone() const override;

private:
    struct Members;
    std::vector<std::string> m_transientFileReadTickets;
    ServiceData m_serviceData;
};

}  // namespace Kestrune::Schemas::Importexport::_2007_06::Fileimportexport
