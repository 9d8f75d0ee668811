#pragma once

#include "host/ClassAllocation.h"
#include "host/XMLNode.h"
#include "host/XmlStream.h"
#include "importexport/2008_06/ImportFromApplicationInputData1.h"
#include "xml/Content.h"
#include "xml/Export.h"
#include "xml/Handle.h"

#include <set>
#include <string>
#include <vector>

namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport {

class ImportFromApplicationInputImpl;

/// The import request: an ordered list of import records.
class KXSOAIMPORTEXPORT_EXPORT ImportFromApplicationInput
    : public Kestrune::Soa::Common::Xml::Handle<ImportFromApplicationInputImpl> {
public:
    ImportFromApplicationInput();

    /// One "inputs" child per record; the records are shared with the caller's handles.
    std::vector<ImportFromApplicationInputData1> const& getInputArray() const;
    void setInputArray(std::vector<ImportFromApplicationInputData1> const& inputs);
    void addInput(ImportFromApplicationInputData1 const& input);  ///< appends; never clears

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;

    KXSOA_CONTENT_FUNCTIONS(ImportFromApplicationInput)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS
};

class KXSOAIMPORTEXPORT_EXPORT ImportFromApplicationInputImpl : public Kestrune::Soa::Common::Xml::BaseObject {
public:
    ImportFromApplicationInputImpl();

    std::vector<ImportFromApplicationInputData1> const& getInputArray() const { return m_inputs; }
    void setInputArray(std::vector<ImportFromApplicationInputData1> const& inputs) { m_inputs = inputs; }
    void addInput(ImportFromApplicationInputData1 const& input) { m_inputs.push_back(input); }

    void parse(Kestrune::Soa::Common::Xml::XMLNode const& node);
    void outputXML(Kestrune::Soa::Common::Xml::XmlStream& stream, std::string const& elementName) const;
    void getNamespaces(std::set<std::string>& namespaces) const;
    /// How its element is read, straight from a reader's events too.
    static Kestrune::Soa::Common::Xml::XmlElementType const& xmlElementType();
    /// Its members by XML name, for what works on two types at once.
    static Kestrune::Soa::Common::Xml::TypeMembers const& members();

    KXSOA_CONTENT_FUNCTIONS(ImportFromApplicationInputImpl)
    KXSOA_CLASS_ALLOCATION_FUNCTIONS

protected:
    ImportFromApplicationInputImpl* reallyClone() const override;

private:
    struct Members;
    std::vector<ImportFromApplicationInputData1> m_inputs;
};

}  // namespace Kestrune::Schemas::Importexport::_2008_06::Fileimportexport
