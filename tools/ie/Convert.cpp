#include "Convert.h"

#include "Reading.h"

#include "host/DomException.h"
#include "host/XmlStream.h"
#include "xml/AnyMessage.h"
#include "xml/Conversion.h"
#include "xml/MessageReader.h"
#include "xml/RequestWriter.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ios>
#include <iostream>
#include <memory>
#include <type_traits>
#include <variant>

namespace kxsoa_ie {

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using namespace Kestrune::Soa::Common::Xml;

// The records of a request type; void for the other types.
template <class Message, class = void>
struct RecordsOf {
    using type = void;
};
template <class Message>
struct RecordsOf<Message, std::void_t<decltype(std::declval<Message const&>().getInputArray())>> {
    using type = typename std::decay_t<decltype(std::declval<Message const&>().getInputArray())>::value_type;
};

template <class Record, class... Messages>
constexpr std::size_t requestIndex(std::variant<Messages...> const*) {
    std::size_t index = 0;
    static_cast<void>(((std::is_same_v<typename RecordsOf<Messages>::type, Record> || (++index, false)) || ...));
    return index;
}

// The request whose records are Record.
template <class Record>
using RequestOf = std::variant_alternative_t<requestIndex<Record>(static_cast<AnyMessage const*>(nullptr)), AnyMessage>;

struct Target {
    char const* version;  // "2007-06" or "2008-06"
    Unmatched unmatched;
};

// Calls `then` with `message` in the target version: itself, or its
// counterpart. False when it has none.
template <class Message, class Then>
bool inTarget(Message const& message, Target const& target, Then&& then) {
    if (std::string(messageType<Message>().version) == target.version) {
        then(message);
        return true;
    }
    if constexpr (!std::is_void_v<Upgraded<Message>>) {
        then(upgrade(message));
        return true;
    } else if constexpr (!std::is_void_v<Downgraded<Message>>) {
        then(downgrade(message, target.unmatched));
        return true;
    }
    return false;
}

// The message written on standard output as it comes: a request record by
// record, its root named after its type.
class Output {
public:
    Output() : m_stream(std::cout.rdbuf()) {}

    template <class Record>
    void record(Record const& record) {
        writer<RequestOf<Record>>().write(record);
    }
    // The message read, without the records of a request (written before).
    template <class Message>
    void rest(Message const& message) {
        if constexpr (isRequest<Message>) {
            writer<Message>().close();
        } else {
            message.outputXML(m_stream, messageType<Message>().name);
        }
    }

private:
    struct Writing {
        virtual ~Writing() = default;
    };
    template <class Request>
    struct WritingOf final : Writing {
        explicit WritingOf(XmlStream& stream) : writer(stream) {}
        RequestWriter<Request> writer;
    };

    // The one request a document holds: opened at its first record, or at its end.
    template <class Request>
    RequestWriter<Request>& writer() {
        if (!m_writing) {
            auto writing = std::make_unique<WritingOf<Request>>(m_stream);
            writing->writer.open(messageType<Request>().name);
            m_writing = std::move(writing);
        }
        return static_cast<WritingOf<Request>&>(*m_writing).writer;
    }

    XmlStream m_stream;
    std::unique_ptr<Writing> m_writing;
};

// Why `path` cannot be read, or empty.
std::string unreadable(std::string const& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::strerror(errno);
    return S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "";
}

}  // namespace

int convert(Invocation const& in) {
    if (in.to.empty()) throw UsageError{"convert needs --to 2007-06 or --to 2008-06"};
    std::string const path = in.arguments.empty() ? "-" : in.arguments[0];
    std::string const source = path == "-" ? "<stdin>" : path;
    std::ifstream file;
    if (path != "-") {
        std::string const why = unreadable(path);
        if (!why.empty() || (file.open(path, std::ios::binary), !file)) {
            report(source + ": cannot be read: " + (why.empty() ? std::strerror(errno) : why));
            return noInput;
        }
    }
    Target const target{in.to.c_str(), in.dropAdded ? Unmatched::Drop : Unmatched::MustHoldDefaults};
    std::size_t records = 0;
    try {
        Output output;
        MessageReader reader(in.limits);
        AnyMessage const rest = reader.readEachAny(path == "-" ? std::cin : file, [&](auto const& record) {
            ++records;
            inTarget(record, target, [&](auto const& carried) { output.record(carried); });
        });
        if (!std::visit(
                [&](auto const& message) {
                    return inTarget(message, target, [&](auto const& carried) { output.rest(carried); });
                },
                rest)) {
            MessageTypeInfo const& type = messageType(rest);
            report(source + ": " + type.version + '/' + type.name + " has no " + in.to +
                   " counterpart (the requests and their records have one)");
            return notTheType;
        }
        std::cout << '\n';
    } catch (DomException const& e) {
        report(source + ": " + e.getMessage() + located(e));
        return e.getMessage().rfind("XML ", 0) == 0 ? notXml : notTheType;  // the text's own refusals, or the message's
    } catch (UnmatchedMembers const& e) {
        std::string const record = records > 0 ? "inputs[" + std::to_string(records - 1) + "]." : "";
        std::string members;
        for (std::string const& member : e.paths()) members += (members.empty() ? "" : ", ") + record + member;
        report(source + ": cannot be carried to " + in.to + ": " + members + " hold values that " + in.to +
               " has no member for (--drop-added drops them)");
        return notTheMessage;
    } catch (std::ios_base::failure const&) {
        throw CannotWrite{std::string("cannot write standard output") +
                          (errno ? ": " + std::string(std::strerror(errno)) : "")};
    }
    return success;  // main() flushes standard output
}

}  // namespace kxsoa_ie
