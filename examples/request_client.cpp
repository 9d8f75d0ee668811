// A client of request_server: sends requests of the five kinds of both
// versions over one TCP connection to the loopback address, reads each answer
// as it comes, and checks that it is the response that answers its request
// and holds what the server promises (request_answers.h). It prints one line
// that sums up, and exits 0 when every answer was as expected, 1 otherwise.
//
//   request_client PORT [--requests K] [MODE]
//
// With no mode, each request is sent when the answer to the one before has
// come. The modes:
//   --pipelined          all requests sent back to back while the answers are read
//   --fresh-connection-per-request
//   --byte-at-a-time     each request written a byte at a time, with a pause after each
//   --cut                the requests, then half of another, then the connection closed
//   --over-limit N       one request of more than N bytes, which a server with
//                        --max-bytes N refuses: expects the connection closed
//                        without an answer
//   --bench              requests per second over one connection, and with a
//                        fresh connection per request

#include "request_answers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iomanip>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <variant>
#include <vector>

using Kestrune::Soa::Common::Xml::AnyMessage;
using Kestrune::Soa::Common::Xml::AnyRequest;
using Kestrune::Soa::Common::Xml::makeSample;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::messageType;
using Kestrune::Soa::Common::Xml::MessageTypeInfo;
using Kestrune::Soa::Common::Xml::readNextAny;
using Kestrune::Soa::Common::Xml::ResponseOf;
using Kestrune::Soa::Common::Xml::responseType;
using Kestrune::Soa::Common::Xml::writeMessage;
using Kestrune::Soa::Common::Xml::XmlMessageSource;

namespace {

// A connected socket, closed when it goes.
class Connection {
public:
    explicit Connection(unsigned short port) : m_socket(::socket(AF_INET, SOCK_STREAM, 0)) {
        if (m_socket < 0) fail("socket");
        int const on = 1;  // each request goes out when written
        ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            int const error = errno;
            ::close(m_socket);
            errno = error;
            fail("connect");
        }
    }
    ~Connection() { ::close(m_socket); }
    Connection(Connection const&) = delete;
    Connection& operator=(Connection const&) = delete;

    int socket() const noexcept { return m_socket; }

    // Sends all of `text`; throws when the peer is gone (MSG_NOSIGNAL: as an
    // error, not a SIGPIPE).
    void send(std::string_view text) const {
        while (!text.empty()) {
            ssize_t const sent = ::send(m_socket, text.data(), text.size(), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) continue;
            if (sent < 0) fail("send");
            text.remove_prefix(static_cast<std::size_t>(sent));
        }
    }
    // The same, a byte per send and a short pause after each: a slow peer.
    void sendByteAtATime(std::string_view text) const {
        for (char const byte : text) {
            send(std::string_view(&byte, 1));
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    }
    // Tells the peer that no more requests come.
    void endRequests() const { ::shutdown(m_socket, SHUT_WR); }
    // Reads until the peer closes (or resets) the connection: the bytes it sent.
    std::size_t bytesUntilClosed() const {
        std::size_t total = 0;
        char buffer[4096];
        for (;;) {
            ssize_t const got = ::read(m_socket, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return total;
            total += static_cast<std::size_t>(got);
        }
    }

private:
    [[noreturn]] static void fail(char const* call) {
        throw std::runtime_error(std::string(call) + ": " + std::strerror(errno));
    }

    int m_socket;
};

std::string nameOf(MessageTypeInfo const& type) { return std::string(type.version) + " " + type.name; }

// The requests to send, each with its text (a newline after each, white
// space that may come between two messages).
struct Requests {
    std::vector<AnyRequest> messages;
    std::vector<std::string> texts;
};

Requests makeRequests(std::size_t count) {
    Requests requests;
    for (std::size_t n = 0; n < count; ++n) {
        requests.messages.push_back(Loopback::sampleRequest(n));
        requests.texts.push_back(std::visit(
            [](auto const& request) {
                return writeMessage(request, messageType<std::decay_t<decltype(request)>>().name) + "\n";
            },
            requests.messages.back()));
    }
    return requests;
}

// What the answers were like: how many came, and what differed in those that
// were not as expected, a line each.
struct Tally {
    std::size_t answers = 0;
    std::vector<std::string> differences;

    // Checks `received`, the answer to request number `n`; false when there
    // was none, the connection closed.
    bool check(std::size_t n, AnyRequest const& request, std::optional<AnyMessage> const& received) {
        if (!received) {
            differences.push_back("answer " + std::to_string(n + 1) + ": none, the connection was closed");
            return false;
        }
        ++answers;
        std::string const difference = std::visit(
            [&received](auto const& sent) -> std::string {
                using Response = ResponseOf<std::decay_t<decltype(sent)>>;
                Response const* answer = std::get_if<Response>(&*received);
                if (answer == nullptr) {
                    return "a " + nameOf(messageType(*received)) + " instead of a " + nameOf(messageType<Response>());
                }
                return answer->difference(Loopback::answer(sent));
            },
            request);
        if (!difference.empty()) differences.push_back("answer " + std::to_string(n + 1) + ": " + difference);
        return true;
    }
    // After the last answer, the connection ends with nothing more.
    void checkEnd(MessageReader& reader, XmlMessageSource& source) {
        if (readNextAny(reader, source)) differences.push_back("an answer more than there were requests");
    }
};

// Requests first to last on one connection, each sent once the answer to the
// one before has come (byte by byte, if asked).
void inTurn(unsigned short port, Requests const& requests, std::size_t first, std::size_t last, bool byteAtATime,
            Tally& tally) {
    Connection const connection(port);
    XmlMessageSource source(connection.socket());
    MessageReader reader;  // one per connection, kept from answer to answer
    for (std::size_t n = first; n < last; ++n) {
        if (byteAtATime) {
            connection.sendByteAtATime(requests.texts[n]);
        } else {
            connection.send(requests.texts[n]);
        }
        if (!tally.check(n, requests.messages[n], readNextAny(reader, source))) return;
    }
    connection.endRequests();
    tally.checkEnd(reader, source);
}

// All requests sent back to back by a thread of their own, while the answers
// are read as they come.
void pipelined(unsigned short port, Requests const& requests, Tally& tally) {
    Connection const connection(port);
    std::exception_ptr sendFailed;
    std::thread sender([&] {
        try {
            for (std::string const& text : requests.texts) connection.send(text);
        } catch (...) {
            sendFailed = std::current_exception();
        }
        connection.endRequests();
    });
    try {
        XmlMessageSource source(connection.socket());
        MessageReader reader;
        std::size_t n = 0;
        while (n < requests.texts.size() && tally.check(n, requests.messages[n], readNextAny(reader, source))) ++n;
        if (n == requests.texts.size()) tally.checkEnd(reader, source);
    } catch (...) {
        ::shutdown(connection.socket(), SHUT_RDWR);  // the sender stops too
        sender.join();
        throw;
    }
    sender.join();
    if (sendFailed) std::rethrow_exception(sendFailed);
}

// Each request on a connection of its own.
void freshConnections(unsigned short port, Requests const& requests, Tally& tally) {
    for (std::size_t n = 0; n < requests.texts.size(); ++n) inTurn(port, requests, n, n + 1, false, tally);
}

// The summary line; true when every answer was as expected.
bool report(std::string const& sent, Tally const& tally) {
    std::cout << "sent " << sent << ", " << tally.answers << (tally.answers == 1 ? " answer" : " answers");
    if (tally.differences.empty()) {
        std::cout << ", all as expected\n";
        return true;
    }
    std::cout << ", " << tally.differences.size() << " not as expected:\n";
    for (std::string const& difference : tally.differences) std::cout << "  " << difference << '\n';
    return false;
}

std::string requestsSent(std::size_t count) { return std::to_string(count) + (count == 1 ? " request" : " requests"); }

// Requests in turn, then the first half of one more and the end of the
// connection: the server must close it without an answer.
bool cut(unsigned short port, std::size_t count) {
    Requests const requests = makeRequests(count + 1);
    Tally tally;
    Connection const connection(port);
    XmlMessageSource source(connection.socket());
    MessageReader reader;
    for (std::size_t n = 0; n < count; ++n) {
        connection.send(requests.texts[n]);
        if (!tally.check(n, requests.messages[n], readNextAny(reader, source))) break;
    }
    std::string_view const last = requests.texts[count];
    connection.send(last.substr(0, last.size() / 2));
    connection.endRequests();
    if (std::size_t const bytes = connection.bytesUntilClosed()) {
        tally.differences.push_back(std::to_string(bytes) + " bytes in answer to half a request");
    }
    return report(requestsSent(count) + " and half of another", tally);
}

// A request of more than `limit` bytes: the server must close the connection
// without an answer (what it had not read then may reset the connection).
bool overLimit(unsigned short port, std::size_t limit) {
    std::string text;
    for (std::size_t records = 1; text.size() <= limit; records *= 2) {
        text = writeMessage(makeSample<Loopback::v8::ExportToApplicationInput>(records), "ExportToApplicationInput");
    }
    Connection const connection(port);
    try {
        connection.send(text);
        connection.endRequests();
    } catch (std::runtime_error const&) {  // the server closed the connection before it had all
    }
    std::size_t const bytes = connection.bytesUntilClosed();
    std::cout << "sent a request of " << text.size() << " bytes, over the limit of " << limit << ": ";
    if (bytes != 0) {
        std::cout << "answered with " << bytes << " bytes\n";
        return false;
    }
    std::cout << "the connection was closed without an answer\n";
    return true;
}

// Requests per second on one connection, and with a connection per request.
bool bench(unsigned short port, std::size_t count) {
    Requests const requests = makeRequests(count);
    Tally tally;
    auto const timed = [&](auto&& run) {
        auto const start = std::chrono::steady_clock::now();
        run();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double const together = timed([&] { inTurn(port, requests, 0, count, false, tally); });
    double const apart = timed([&] { freshConnections(port, requests, tally); });
    double const togetherRate = count / together;
    double const apartRate = count / apart;
    std::cout << std::fixed << std::setprecision(0) << "one connection:               " << togetherRate
              << " requests/s (" << count << " requests in " << std::setprecision(3) << together << " s)\n"
              << std::setprecision(0) << "fresh connection per request: " << apartRate << " requests/s (" << count
              << " requests in " << std::setprecision(3) << apart << " s)\n"
              << std::setprecision(2) << "one connection / fresh connection per request: " << togetherRate / apartRate
              << '\n';
    return report(requestsSent(2 * count), tally);
}

int usage() {
    std::cerr << "usage: request_client PORT [--requests K] [--pipelined | --fresh-connection-per-request | "
                 "--byte-at-a-time | --cut | --over-limit N | --bench]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    unsigned long const port = std::strtoul(argv[1], nullptr, 10);
    if (port == 0 || port > 65535) return usage();
    std::size_t count = 1;
    std::string mode;
    std::size_t limit = 0;
    for (int i = 2; i < argc; ++i) {
        std::string const option = argv[i];
        if (option == "--requests" && i + 1 < argc) {
            count = std::strtoul(argv[++i], nullptr, 10);
        } else if (option == "--over-limit" && i + 1 < argc) {
            mode = option;
            limit = std::strtoul(argv[++i], nullptr, 10);
        } else if (mode.empty() && (option == "--pipelined" || option == "--fresh-connection-per-request" ||
                                    option == "--byte-at-a-time" || option == "--cut" || option == "--bench")) {
            mode = option;
        } else {
            return usage();
        }
    }

    try {
        auto const port16 = static_cast<unsigned short>(port);
        if (mode == "--cut") return cut(port16, count) ? 0 : 1;
        if (mode == "--over-limit") return overLimit(port16, limit) ? 0 : 1;
        if (mode == "--bench") return bench(port16, count) ? 0 : 1;
        Requests const requests = makeRequests(count);
        Tally tally;
        if (mode == "--pipelined") {
            pipelined(port16, requests, tally);
        } else if (mode == "--fresh-connection-per-request") {
            freshConnections(port16, requests, tally);
        } else {
            inTurn(port16, requests, 0, count, mode == "--byte-at-a-time", tally);
        }
        return report(requestsSent(count), tally) ? 0 : 1;
    } catch (std::exception const& e) {  // a connection that failed, or an answer that was not XML
        std::cout << "request_client: " << e.what() << '\n';
        return 1;
    }
}
