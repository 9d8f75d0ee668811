// libFuzzer target: a sequence of documents, each read on one MessageReader
// kept from document to document and on a new reader of its own, in memory
// or from a stream given in pieces, as a message, or record by record. What
// a reused reader keeps is a cache: every outcome (the message written back
// and dumped, or the error's message and line, and the probes that fired)
// must be the fresh reader's, and what the reader keeps must stay within
// its bound after each document. Any difference aborts. Build with the fuzz
// preset and run
//   build/fuzz/tests/fuzz/fuzz_read_sequence -max_total_time=60 -timeout=10 <corpus folder>
// The documents that read as messages of their own are read again back to
// back from one stream of messages, in pieces: each must give what it gave
// alone. The bytes: the documents' texts from the start, each ended by a backslash
// and a newline; the choices (the limits, then how each document is read)
// from the end.

#include "../support/ProbeRecorder.h"
#include "Pieces.h"

#include "host/DomException.h"
#include "host/XmlMessageSource.h"
#include "importexport/2007_06/ImportFromApplicationInput.h"
#include "importexport/2008_06/ExportToApplicationInput.h"
#include "importexport/2008_06/GetExportTemplateResponse.h"
#include "xml/Message.h"
#include "xml/MessageReader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace Kestrune::Soa::Common::Xml;
using Kestrune::Soa::Common::Exceptions::DomException;
namespace v07 = Kestrune::Schemas::Importexport::_2007_06::Fileimportexport;
namespace v08 = Kestrune::Schemas::Importexport::_2008_06::Fileimportexport;

template <class Message>
std::string described(Message const& message) {
    return writeMessage(message, "r") + '\n' + message.dump();
}

// A `T` read from the stream when there is one, else from the text.
template <class T>
std::string readOne(MessageReader& reader, std::string const& text, std::istream* in) {
    return described(in ? reader.read<T>(*in) : reader.read<T>(text));
}

// One document read on `reader` as `how` says; its outcome and its probes.
std::string outcomeOf(MessageReader& reader, std::string const& text, std::uint8_t how) {
    kxsoa_test::ProbeRecorder probes;
    std::string result;
    kxsoa_fuzz::Pieces pieces(text, how);
    std::istream stream(&pieces);
    std::istream* const in = (how & 4) ? &stream : nullptr;
    try {
        switch (how & 3) {
            case 0:
                result = readOne<v08::ExportToApplicationInput>(reader, text, in);
                break;
            case 1:
                result = readOne<v07::ImportFromApplicationInput>(reader, text, in);
                break;
            case 2: {
                auto const onRecord = [&result](v08::ExportToApplicationInputData1 const& record) {
                    result += described(record);
                };
                result += in ? described(reader.readEach<v08::ExportToApplicationInput>(*in, onRecord))
                             : described(reader.readEach<v08::ExportToApplicationInput>(text, onRecord));
                break;
            }
            default:
                result = readOne<v08::GetExportTemplateResponse>(reader, text, in);
        }
    } catch (DomException const& e) {
        result = "refused at line " + std::to_string(e.line()) + ": " + e.getMessage();
    }
    result += '\n';
    for (std::string const& event : probes.events) result += event + '\n';
    return result;
}

// The next message of `source` read on `reader` as a message of the type
// `how` names: its outcome and its probes ("none" at the input's end).
template <class Message>
std::string nextOne(MessageReader& reader, XmlMessageSource& source) {
    std::optional<Message> const message = reader.readNext<Message>(source);
    return message ? described(*message) : "none";
}

std::string messageOutcome(MessageReader& reader, XmlMessageSource& source, std::uint8_t how) {
    kxsoa_test::ProbeRecorder probes;
    std::string result;
    try {
        switch (how & 3) {
            case 1:
                result = nextOne<v07::ImportFromApplicationInput>(reader, source);
                break;
            case 3:
                result = nextOne<v08::GetExportTemplateResponse>(reader, source);
                break;
            default:
                result = nextOne<v08::ExportToApplicationInput>(reader, source);
        }
    } catch (DomException const& e) {
        result = "refused at line " + std::to_string(e.line()) + ": " + e.getMessage();
    }
    result += '\n';
    for (std::string const& event : probes.events) result += event + '\n';
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    FuzzedDataProvider bytes(data, size);
    XmlReadLimits limits;
    limits.maxDepth = 64;
    std::uint8_t const choice = bytes.ConsumeIntegral<std::uint8_t>();
    if (choice & 1) limits.maxBytes = 4096;
    if (choice & 2) limits.maxNameBytes = 24;
    if (choice & 4) limits.maxNames = 16;
    ReadOptions options((choice & 64) ? ReadPolicy::Validate : ReadPolicy::Lenient);
    if ((choice & 8) == 0) options.root = RootName::unchecked();
    std::size_t const keptBound = (choice & 16) ? 0 : (choice & 32) ? 4096 : XmlReader::kDefaultMaxKeptBytes;

    MessageReader reused(limits, options);
    reused.setMaxKeptBytes(keptBound);
    // The documents that read as a message of their own, with nothing after
    // it but white space, go back to back onto one stream of messages.
    std::string stream;
    std::vector<std::pair<std::uint8_t, std::string>> messages;
    for (int document = 0; document < 8 && bytes.remaining_bytes() > 0; ++document) {
        std::uint8_t const how = bytes.ConsumeIntegral<std::uint8_t>();
        std::string const text = bytes.ConsumeRandomLengthString();
        MessageReader fresh(limits, options);
        fresh.setMaxKeptBytes(keptBound);
        if (outcomeOf(reused, text, how) != outcomeOf(fresh, text, how)) std::abort();
        if (reused.keptBytes() > reused.maxKeptBytes()) std::abort();
        kxsoa_fuzz::Pieces pieces(text, how);
        std::istream in(&pieces);
        XmlMessageSource single(in);
        if (single.atEnd()) continue;
        std::string const outcome = messageOutcome(fresh, single, how);
        bool alone = false;  // read to its end, and nothing but white space after it
        try {
            alone = single.atEnd();
        } catch (DomException const&) {  // refused before its end
        }
        if (alone) {
            stream += text + '\n';
            messages.emplace_back(how, outcome);
        }
    }
    // Read back to back, in pieces, each is what it was alone.
    kxsoa_fuzz::Pieces pieces(stream, choice);
    std::istream in(&pieces);
    XmlMessageSource source(in);
    for (auto const& [how, outcome] : messages) {
        std::string const again = messageOutcome(reused, source, how);
        if (again == outcome) continue;
        std::fprintf(stderr, "alone: %s\nback to back: %s\n", outcome.c_str(), again.c_str());
        std::abort();
    }
    if (!source.atEnd()) std::abort();
    return 0;
}
