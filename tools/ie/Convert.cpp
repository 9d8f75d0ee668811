#include "Convert.h"

#include "Reading.h"

#include "host/DomException.h"
#include "host/XmlStream.h"
#include "importexport/AnyMessage.h"
#include "importexport/VersionPairs.h"
#include "xml/MessageReader.h"
#include "xml/RequestWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ios>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace kxsoa_ie {

namespace {

using Kestrune::Soa::Common::Exceptions::DomException;
using Kestrune::Soa::Common::Exceptions::ErrorKind;
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

// Where the message goes: standard output, or with --output a file written
// whole or not at all. The file is written under a name of its own beside
// FILE and renamed to FILE by commit(); until then FILE is as it was, and
// whatever ends the run before commit() removes what was written.
class Destination {
public:
    explicit Destination(std::string path) : m_path(std::move(path)) {
        if (m_path.empty()) return;
        std::string pattern = m_path + ".XXXXXX";
        int const fd = ::mkstemp(pattern.data());
        if (fd < 0) throw CannotWrite{m_path + ": cannot be written: " + std::strerror(errno)};
        ::close(fd);
        m_partial = pattern;
        m_file.open(m_partial, std::ios::binary | std::ios::trunc);
        if (!m_file) fail();
    }
    Destination(Destination const&) = delete;
    Destination& operator=(Destination const&) = delete;
    ~Destination() {
        if (!m_partial.empty()) std::remove(m_partial.c_str());
    }

    std::streambuf* buffer() { return m_path.empty() ? std::cout.rdbuf() : m_file.rdbuf(); }
    // Standard output, or the file as written: the one name a failure to write gives.
    std::string name() const { return m_path.empty() ? "standard output" : m_path; }

    void commit() {
        if (m_path.empty()) return;  // main() flushes standard output
        m_file.close();
        if (!m_file || std::rename(m_partial.c_str(), m_path.c_str()) != 0) fail();
        m_partial.clear();
    }

private:
    [[noreturn]] void fail() const { throw CannotWrite{m_path + ": cannot be written: " + std::strerror(errno)}; }

    std::string m_path;
    std::string m_partial;  // the file being written, removed unless renamed
    std::ofstream m_file;
};

// What members that the target version has no member for hold, named for
// every record of a request and for the rest of the message. The first
// `kept` paths are named, the rest counted, so that a refusal of a large
// request is one line of bounded length.
class UnmatchedPaths {
public:
    static constexpr std::size_t kept = 1000;

    void add(std::string const& prefix, UnmatchedMembers const& e) {
        for (std::string const& path : e.paths()) {
            if (m_paths.size() < kept) {
                m_paths.push_back(prefix + path);
            } else {
                ++m_more;
            }
        }
    }
    bool empty() const { return m_paths.empty(); }
    std::string text() const {
        std::string text;
        for (std::string const& path : m_paths) text += (text.empty() ? "" : ", ") + path;
        return m_more == 0 ? text : text + " and " + std::to_string(m_more) + " more";
    }

private:
    std::vector<std::string> m_paths;
    std::size_t m_more = 0;
};

// The message written as it comes: a request record by record, its root
// named after its type.
class Output {
public:
    explicit Output(std::streambuf* buffer) : m_stream(buffer) {}

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

}  // namespace

int convert(Invocation const& in) {
    if (in.to.empty()) throw UsageError{"convert needs --to 2007-06 or --to 2008-06"};
    std::string const path = in.arguments.empty() ? "-" : in.arguments[0];
    std::string const source = path == "-" ? "<stdin>" : path;
    // A refusal of the file is a line of its own, as check reports one.
    auto const refuse = [&source](ErrorKind kind, std::string const& message, int status) {
        std::cerr << errorLine(source, {kind, message, 0, 0, {}}) << '\n';
        return status;
    };
    std::ifstream file;
    if (std::string const why = openInput(path, file); !why.empty())
        return refuse(ErrorKind::Unreadable, "cannot be read: " + why, noInput);
    Target const target{in.to.c_str(), in.dropAdded ? Unmatched::Drop : Unmatched::MustHoldDefaults};
    Destination destination(in.output);
    std::size_t records = 0;
    UnmatchedPaths unmatched;
    try {
        Output output(destination.buffer());
        MessageReader reader(in.limits);
        // After a record that cannot be carried, the rest are still read, to name what each holds.
        auto const carry = [&](auto const& message, std::string const& prefix, auto&& write) {
            try {
                return inTarget(message, target, [&](auto const& carried) {
                    if (unmatched.empty()) write(carried);
                });
            } catch (UnmatchedMembers const& e) {
                unmatched.add(prefix, e);
                return true;
            }
        };
        AnyMessage const rest = readEachAny(reader, path == "-" ? std::cin : file, [&](auto const& record) {
            carry(record, "inputs[" + std::to_string(records++) + "].",
                  [&](auto const& carried) { output.record(carried); });
        });
        if (!std::visit(
                [&](auto const& message) {
                    return carry(message, "", [&](auto const& carried) { output.rest(carried); });
                },
                rest)) {
            MessageTypeInfo const& type = messageType(rest);
            return refuse(ErrorKind::Unmatched,
                          std::string(type.version) + '/' + type.name + " has no " + in.to +
                              " counterpart (the requests and their records have one)",
                          notTheType);
        }
        if (!unmatched.empty()) {
            return refuse(ErrorKind::Unmatched,
                          "cannot be carried to " + in.to + ": " + unmatched.text() + " hold values that " + in.to +
                              " has no member for (--drop-added drops them)",
                          notTheMessage);
        }
        std::ostream(destination.buffer()) << '\n';
    } catch (DomException const& e) {
        reportErrors(source, e);
        return statusOf(e.kind(), notTheType);
    } catch (std::ios_base::failure const&) {
        throw CannotWrite{"cannot write " + destination.name() +
                          (errno ? ": " + std::string(std::strerror(errno)) : "")};
    }
    destination.commit();
    return success;
}

}  // namespace kxsoa_ie
