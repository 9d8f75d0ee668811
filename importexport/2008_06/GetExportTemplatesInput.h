#pragma once

#include "host/ClassAllocation.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "importexport/2008_06/ExportTemplateInput.h"
#include "xml/Content.h"
#include "xml/Export.h"
#include "xml/Handle.h"

#include <set>
#include <string>

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

class GetExportTemplatesInputImpl;

/// The export template query: one filter saying which templates are wanted.
class KXSOAIMPORTEXPORT_EXPORT GetExportTemplatesInput
    : public Kestrune::Soa::Common::Xml::Handle<GetExportTemplatesInputImpl> {
public:
    /// Holds a new default filter of its own.
    GetExportTemplatesInput();
    /// Shares `filter` with the caller.
    explicit GetExportTemplatesInput(ExportTemplateInput const& filter);

    /// The "filter" child; parse reads it in place, so whoever shares this
    /// filter object sees the flags read.
    ExportTemplateInput& getFilter();
    ExportTemplateInput const& getFilter() const;
    void setFilter(ExportTemplateInput const& filter);  ///< shares `filter`

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(GetExportTemplatesInput)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT GetExportTemplatesInputImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    GetExportTemplatesInputImpl();
    explicit GetExportTemplatesInputImpl(ExportTemplateInput const& filter);

    ExportTemplateInput& getFilter() { return m_filter; }
    ExportTemplateInput const& getFilter() const { return m_filter; }
    void setFilter(ExportTemplateInput const& filter) { m_filter = filter; }

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    /// Its members by XML name, for what works on two types at once.
    static Kestrune::Soa::Common::Xml::TypeMembers const& members();

    KXSOA_CONTENT_FUNCTIONS(GetExportTemplatesInputImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    GetExportTemplatesInputImpl* reallyClone() const override;

private:
    struct Members;
    ExportTemplateInput m_filter;
};

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
