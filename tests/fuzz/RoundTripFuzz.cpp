// libFuzzer target: a message of any of the fifteen types, built from the
// bytes (its strings, flags and list lengths), is written, read back and
// compared member by member with what was built, and the text read back
// writes the same bytes again. Text that XML cannot carry must be refused by
// the writer with a DomException, and nothing else may be. Any difference
// aborts. Build with the fuzz preset and run
//   build/fuzz/tests/fuzz/fuzz_round_trip -max_total_time=60 <corpus folder>

#include "Messages.h"

#include "host/DomException.h"
#include "host/XmlDocument.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

using namespace kxsoa_fuzz;
using Kestrune::Schemas::Soa::_2006_03::Base::ModelObject;
using Kestrune::Schemas::Soa::_2006_03::Base::ServiceData;

namespace {

// True when `text` is UTF-8 of XML 1.0 characters only: what the writer
// must carry unchanged. Written apart from the library's own tables.
bool carriable(std::string const& text) {
    for (std::size_t i = 0; i < text.size();) {
        unsigned char const lead = static_cast<unsigned char>(text[i]);
        std::size_t const length = lead < 0x80                    ? 1
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        if (length == 0 || i + length > text.size()) return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            unsigned char const next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF))) return false;
        bool const xmlChar = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                             (c >= 0xE000 && c <= 0xFFFD) || c >= 0x10000;
        if (!xmlChar) return false;
        i += length;
    }
    return true;
}

// Builds members from the bytes and remembers whether every text is carriable.
struct Source {
    FuzzedDataProvider& bytes;
    bool allCarriable = true;

    // Either raw bytes, or pieces that need care in XML: markup, the white
    // space that parsers normalise, multi-byte characters.
    std::string text() {
        std::string value;
        if (bytes.ConsumeBool()) {
            value = bytes.ConsumeRandomLengthString(24);
        } else {
            static char const* const pieces[] = {"a",
                                                 " ",
                                                 "&",
                                                 "<",
                                                 ">",
                                                 "\"",
                                                 "'",
                                                 "\t",
                                                 "\n",
                                                 "\r",
                                                 "\r\n",
                                                 "]]>",
                                                 "&amp;",
                                                 "\xC3\xA9",
                                                 "\xE2\x82\xAC",
                                                 "\xF0\x9D\x84\x9E"};
            for (std::size_t n = bytes.ConsumeIntegralInRange<std::size_t>(0, 12); n > 0; --n)
                value += bytes.PickValueInArray(pieces);
        }
        allCarriable = allCarriable && carriable(value);
        return value;
    }
    std::size_t count() { return bytes.ConsumeIntegralInRange<std::size_t>(0, 3); }
};

// The members of each type as seen through its public accessors, one row
// per member: `get` reads it, `set` or `add` changes it. The accessors are
// generic lambdas, so one row serves every type that has the member.
template <class Get, class Set>
struct Text {
    Get get;
    Set set;
};
template <class Get, class Set>
struct Flag {
    Get get;
    Set set;
};
template <class Get, class Add>
struct List {  // of texts, or of objects that have rows of their own
    Get get;
    Add add;
};
template <class Get>
struct Nested {
    Get get;  // a reference to the nested object, filled in place
};

template <class Get, class Set>
Text<Get, Set> text(Get get, Set set) {
    return {get, set};
}
template <class Get, class Set>
Flag<Get, Set> flag(Get get, Set set) {
    return {get, set};
}
template <class Get, class Add>
List<Get, Add> list(Get get, Add add) {
    return {get, add};
}
template <class Get>
Nested<Get> nested(Get get) {
    return {get};
}

auto const uid = text([](auto& m) { return m.getUid(); }, [](auto& m, auto const& v) { m.setUid(v); });
auto const type = text([](auto& m) { return m.getType(); }, [](auto& m, auto const& v) { m.setType(v); });
auto const applicationFormat =
    text([](auto& m) { return m.getApplicationFormat(); }, [](auto& m, auto const& v) { m.setApplicationFormat(v); });
auto const templateType =
    text([](auto& m) { return m.getTemplateType(); }, [](auto& m, auto const& v) { m.setTemplateType(v); });
auto const templateId =
    text([](auto& m) { return m.getTemplateId(); }, [](auto& m, auto const& v) { m.setTemplateId(v); });
auto const businessObjectType =
    text([](auto& m) { return m.getBusinessObjectType(); }, [](auto& m, auto const& v) { m.setBusinessObjectType(v); });
auto const createSpecElementType = text([](auto& m) { return m.getCreateSpecElementType(); },
                                        [](auto& m, auto const& v) { m.setCreateSpecElementType(v); });
auto const transientFileWriteTicket = text([](auto& m) { return m.getTransientFileWriteTicket(); },
                                           [](auto& m, auto const& v) { m.setTransientFileWriteTicket(v); });
auto const inputs = list(
    [](auto& m) -> auto& { return m.getInputArray(); }, [](auto& m, auto const& v) { m.addInput(v); });
auto const objectsToExport = list(
    [](auto& m) -> auto& { return m.getObjectsToExportArray(); },
    [](auto& m, auto const& v) { m.addObjectsToExport(v); });
auto const attributesToExport = list(
    [](auto& m) -> auto& { return m.getAttributesToExportArray(); },
    [](auto& m, auto const& v) { m.addAttributesToExport(v); });
auto const serviceData = nested([](auto& m) -> auto& { return m.getServiceData(); });

auto rows(ModelObject const*) { return std::make_tuple(uid, type); }
auto rows(ServiceData const*) {
    return std::make_tuple(list(
                               [](auto& m) -> auto& { return m.getPartialErrors(); },
                               [](auto& m, auto const& v) { m.addPartialError(v); }),
                           list(
                               [](auto& m) -> auto& { return m.getUpdatedObjects(); },
                               [](auto& m, auto const& v) { m.addUpdatedObject(v); }));
}
auto rows(v7::ImportFromApplicationInputData const*) {
    return std::make_tuple(applicationFormat, createSpecElementType, transientFileWriteTicket);
}
auto rows(v7::ImportFromApplicationInput const*) { return std::make_tuple(inputs); }
auto rows(v7::ImportFromApplicationResponse const*) {
    return std::make_tuple(list(
                               [](auto& m) -> auto& { return m.getResultObjectArray(); },
                               [](auto& m, auto const& v) { m.addResultObject(v); }),
                           serviceData);
}
auto rows(v7::ExportToApplicationInputData const*) {
    return std::make_tuple(applicationFormat, templateId, objectsToExport, attributesToExport);
}
auto rows(v7::ExportToApplicationInput const*) { return std::make_tuple(inputs); }
auto rows(v7::ExportToApplicationResponse const*) {
    return std::make_tuple(list(
                               [](auto& m) -> auto& { return m.getTransientFileReadTicketArray(); },
                               [](auto& m, auto const& v) { m.addTransientFileReadTicket(v); }),
                           serviceData);
}
auto rows(v8::ImportFromApplicationInputData1 const*) {
    return std::make_tuple(applicationFormat,
                           text([](auto& m) { return m.getSpecificationType(); },
                                [](auto& m, auto const& v) { m.setSpecificationType(v); }),
                           createSpecElementType,
                           flag([](auto& m) { return m.getIsLive(); }, [](auto& m, bool v) { m.setIsLive(v); }),
                           transientFileWriteTicket);
}
auto rows(v8::ImportFromApplicationInput const*) { return std::make_tuple(inputs); }
auto rows(v8::TemplateOverride const*) { return std::make_tuple(businessObjectType, templateType, templateId); }
auto rows(v8::ExportToApplicationInputData1 const*) {
    return std::make_tuple(applicationFormat, templateType, templateId, objectsToExport, attributesToExport,
                           list(
                               [](auto& m) -> auto& { return m.getObjectTemplateOverrideArray(); },
                               [](auto& m, auto const& v) { m.addObjectTemplateOverride(v); }));
}
auto rows(v8::ExportToApplicationInput const*) { return std::make_tuple(inputs); }
auto rows(v8::ExportTemplateInput const*) {
    return std::make_tuple(
        flag([](auto& m) { return m.getGetObjectTemplates(); }, [](auto& m, bool v) { m.setGetObjectTemplates(v); }),
        flag([](auto& m) { return m.getGetSpecTemplates(); }, [](auto& m, bool v) { m.setGetSpecTemplates(v); }),
        flag([](auto& m) { return m.getGetConfiguredObjectTemplate(); },
             [](auto& m, bool v) { m.setGetConfiguredObjectTemplate(v); }),
        flag([](auto& m) { return m.getGetConfiguredSpecTemplate(); },
             [](auto& m, bool v) { m.setGetConfiguredSpecTemplate(v); }),
        flag([](auto& m) { return m.getGetExcelTemplates(); }, [](auto& m, bool v) { m.setGetExcelTemplates(v); }));
}
auto rows(v8::GetExportTemplatesInput const*) {
    return std::make_tuple(nested([](auto& m) -> auto& { return m.getFilter(); }));
}
auto rows(v8::ConfiguredTemplate const*) {
    return std::make_tuple(
        businessObjectType,
        text([](auto& m) { return m.getTemplateName(); }, [](auto& m, auto const& v) { m.setTemplateName(v); }),
        templateType);
}
auto rows(v8::GetExportTemplateResponse const*) {
    return std::make_tuple(list(
                               [](auto& m) -> auto& { return m.getSpecTemplateArray(); },
                               [](auto& m, auto const& v) { m.addSpecTemplate(v); }),
                           list(
                               [](auto& m) -> auto& { return m.getObjectTemplatArray(); },
                               [](auto& m, auto const& v) { m.addObjectTemplat(v); }),
                           list(
                               [](auto& m) -> auto& { return m.getExcelTemplateArray(); },
                               [](auto& m, auto const& v) { m.addExcelTemplate(v); }),
                           list(
                               [](auto& m) -> auto& { return m.getConfiguredSpecTemplateArray(); },
                               [](auto& m, auto const& v) { m.addConfiguredSpecTemplate(v); }),
                           list(
                               [](auto& m) -> auto& { return m.getConfiguredObjectTemplateArray(); },
                               [](auto& m, auto const& v) { m.addConfiguredObjectTemplate(v); }),
                           serviceData);
}

template <class T>
auto rowsOf() {
    return rows(static_cast<T const*>(nullptr));
}

// The entry type of the list that `row` reaches in `object`.
template <class T, class Row>
using EntryOf = typename std::decay_t<decltype(std::declval<Row>().get(std::declval<T const&>()))>::value_type;

// Filling an object from the bytes, row by row.
template <class T>
void fill(Source& source, T& object);

template <class T, class G, class S>
void fillRow(Source& source, T& object, Text<G, S> const& row) {
    row.set(object, source.text());
}
template <class T, class G, class S>
void fillRow(Source& source, T& object, Flag<G, S> const& row) {
    row.set(object, source.bytes.ConsumeBool());
}
template <class T, class G, class A>
void fillRow(Source& source, T& object, List<G, A> const& row) {
    using Entry = EntryOf<T, List<G, A>>;
    for (std::size_t n = source.count(); n > 0; --n) {
        if constexpr (std::is_same_v<Entry, std::string>) {
            row.add(object, source.text());
        } else {
            Entry entry;
            fill(source, entry);
            row.add(object, entry);
        }
    }
}
template <class T, class G>
void fillRow(Source& source, T& object, Nested<G> const& row) {
    fill(source, row.get(object));
}

template <class T>
void fill(Source& source, T& object) {
    std::apply([&](auto const&... row) { (fillRow(source, object, row), ...); }, rowsOf<T>());
}

// Comparing two objects, row by row.
template <class T>
bool same(T const& a, T const& b);
bool same(std::string const& a, std::string const& b) { return a == b; }

template <class T, class Row>
bool sameRow(T const& a, T const& b, Row const& row) {
    return row.get(a) == row.get(b);
}
template <class T, class G, class A>
bool sameRow(T const& a, T const& b, List<G, A> const& row) {
    auto const& left = row.get(a);
    auto const& right = row.get(b);
    if (left.size() != right.size()) return false;
    for (std::size_t i = 0; i < left.size(); ++i)
        if (!same(left[i], right[i])) return false;
    return true;
}
template <class T, class G>
bool sameRow(T const& a, T const& b, Nested<G> const& row) {
    return same(row.get(a), row.get(b));
}

template <class T>
bool same(T const& a, T const& b) {
    return std::apply([&](auto const&... row) { return (sameRow(a, b, row) && ...); }, rowsOf<T>());
}

template <class T>
void roundTrip(FuzzedDataProvider& bytes) {
    Source source{bytes};
    T built;
    fill(source, built);
    std::string text;
    try {
        text = written(built);
    } catch (Kestrune::Soa::Common::Exceptions::DomException const&) {
        if (source.allCarriable) std::abort();  // refused text that XML carries
        return;
    }
    if (!source.allCarriable) std::abort();  // wrote text that XML cannot carry
    T read;
    read.parse(Kestrune::Soa::Common::Xml::XmlDocument::parse(text).root());  // must read back: no exception expected
    if (!same(built, read) || written(read) != text) std::abort();
}

template <class... Type>
void roundTripOneOf(FuzzedDataProvider& bytes, std::tuple<Type*...> const*) {
    using Step = void (*)(FuzzedDataProvider&);
    static constexpr Step steps[] = {&roundTrip<Type>...};
    steps[bytes.ConsumeIntegralInRange<std::size_t>(0, sizeof...(Type) - 1)](bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    FuzzedDataProvider bytes(data, size);
    roundTripOneOf(bytes, static_cast<AllTypes const*>(nullptr));
    return 0;
}
