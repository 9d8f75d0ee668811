// A server of requests over TCP on the IPv4 loopback address: each
// connection, served by a thread of its own, carries request after request,
// and each is answered with the response that ResponseOf names (see
// request_answers.h) as soon as it has been read. A connection whose input
// cannot be read (not XML, over the limit, cut off) is closed, its error
// written on standard error; the end of its input between two requests
// closes it quietly.
//
//   request_server PORT [--max-bytes N] [--connections N]
//
// PORT 0 lets the system pick one. The port is the first line on standard
// output. --max-bytes bounds each request (XmlReadLimits::maxBytes);
// --connections N stops accepting after N connections and ends, status 0,
// once they are all closed.

#include "request_answers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <mutex>
#include <optional>
#include <streambuf>
#include <string>
#include <thread>
#include <variant>

using Kestrune::Soa::Common::Xml::AnyRequest;
using Kestrune::Soa::Common::Xml::MessageReader;
using Kestrune::Soa::Common::Xml::readNextRequest;
using Kestrune::Soa::Common::Xml::responseType;
using Kestrune::Soa::Common::Xml::XmlMessageSource;
using Kestrune::Soa::Common::Xml::XmlReadLimits;
using Kestrune::Soa::Common::Xml::XmlStream;

namespace {

// An output buffer over a socket: what is put in goes out when the buffer is
// full or synced, which the XmlStream does when an answer's root element ends.
class SocketOutput : public std::streambuf {
public:
    explicit SocketOutput(int socket) : m_socket(socket) { setp(m_buffer.data(), m_buffer.data() + m_buffer.size()); }

protected:
    int_type overflow(int_type c) override {
        if (!sendHeld()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return sendHeld() ? 0 : -1; }

private:
    // Sends what the buffer holds; false when the peer is gone. MSG_NOSIGNAL:
    // a peer that closed is an error here, not a SIGPIPE.
    bool sendHeld() {
        for (char const* at = pbase(); at < pptr();) {
            ssize_t const sent = ::send(m_socket, at, static_cast<std::size_t>(pptr() - at), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) continue;
            if (sent < 0) return false;
            at += sent;
        }
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
        return true;
    }

    int m_socket;
    std::array<char, 16 * 1024> m_buffer{};
};

std::mutex errorLock;  // one line at a time on standard error

void reportError(std::size_t answered, char const* what) {
    std::lock_guard<std::mutex> const hold(errorLock);
    std::cerr << "request_server: closing a connection after " << answered
              << (answered == 1 ? " answer: " : " answers: ") << what << std::endl;
}

// Reads the requests of one connection and answers each, until its input ends
// or cannot be read.
void answerRequests(int socket, XmlReadLimits const& limits) {
    SocketOutput output(socket);
    XmlStream stream(&output);
    MessageReader reader(limits);  // one per connection, kept from request to request
    XmlMessageSource source(socket);
    std::size_t answered = 0;
    try {
        while (std::optional<AnyRequest> const request = readNextRequest(reader, source)) {
            stream.reset();  // each answer is a document of its own
            std::visit([&](auto const& r) { Loopback::answer(r).outputXML(stream, responseType(*request).name); },
                       *request);
            ++answered;
        }
    } catch (std::exception const& e) {  // what() says what went wrong and where
        reportError(answered, e.what());
    }
}

// The connections being served, so that the server ends only after the last.
std::mutex servingLock;
std::condition_variable servingEnded;
std::size_t serving = 0;

void serve(int socket, XmlReadLimits limits) {
    answerRequests(socket, limits);
    ::close(socket);
    std::lock_guard<std::mutex> const hold(servingLock);
    if (--serving == 0) servingEnded.notify_all();
}

// A listening socket on 127.0.0.1:port, or -1 with the reason on standard error.
int listenOn(unsigned short port) {
    int const listening = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listening < 0) {
        std::perror("request_server: socket");
        return -1;
    }
    int const on = 1;
    ::setsockopt(listening, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listening, 64) != 0) {
        std::perror("request_server: bind or listen");
        ::close(listening);
        return -1;
    }
    return listening;
}

unsigned short portOf(int listening) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(listening, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

int usage() {
    std::cerr << "usage: request_server PORT [--max-bytes N] [--connections N]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    unsigned long const port = std::strtoul(argv[1], nullptr, 10);
    XmlReadLimits limits;
    unsigned long connections = 0;  // no end
    for (int i = 2; i < argc; ++i) {
        std::string const option = argv[i];
        if (i + 1 == argc) return usage();
        unsigned long const value = std::strtoul(argv[++i], nullptr, 10);
        if (option == "--max-bytes") {
            limits.maxBytes = value;
        } else if (option == "--connections") {
            connections = value;
        } else {
            return usage();
        }
    }
    if (port > 65535) return usage();

    std::signal(SIGPIPE, SIG_IGN);  // a peer that vanishes ends its connection, not the server
    int const listening = listenOn(static_cast<unsigned short>(port));
    if (listening < 0) return 1;
    std::cout << portOf(listening) << std::endl;

    int status = 0;
    for (unsigned long accepted = 0; connections == 0 || accepted < connections;) {
        int const socket = ::accept(listening, nullptr, nullptr);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            std::perror("request_server: accept");
            status = 1;
            break;
        }
        ++accepted;
        int const on = 1;  // answers go out when written, not held back for more
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard<std::mutex> const hold(servingLock);
        try {
            std::thread(serve, socket, limits).detach();
            ++serving;
        } catch (std::exception const& e) {  // no thread to be had: this connection goes unserved
            reportError(0, e.what());
            ::close(socket);
        }
    }
    ::close(listening);
    std::unique_lock<std::mutex> wait(servingLock);
    servingEnded.wait(wait, [] { return serving == 0; });
    return status;
}
