#include "host/BaseObject.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace Kestrune::Soa::Common::Xml {

namespace {

// The process's one copy of each namespace URI that objects were built
// with. A type passes the same few URIs for every object it makes, so the
// set stays small; it is never destroyed, so objects released during static
// destruction still point at live strings.
std::string const* oneCopyOf(char const* text) {
    static std::mutex* const mutex = new std::mutex;
    static std::unordered_set<std::string>* const uris = new std::unordered_set<std::string>;
    std::lock_guard<std::mutex> const lock(*mutex);
    return &*uris->emplace(text).first;
}

// The URIs this thread used last, by the address of the text it passed:
// most objects find theirs here without the lock. An entry is taken only
// when the text at that address is still the same.
struct RecentURI {
    char const* text = nullptr;
    std::string const* shared = nullptr;
};
constexpr std::size_t kRecentURIs = 8;
thread_local RecentURI recentURIs[kRecentURIs];

std::string const* namespaceURIFor(char const* text) {
    if (text == nullptr) text = "";
    RecentURI& recent = recentURIs[(reinterpret_cast<std::uintptr_t>(text) >> 3) % kRecentURIs];
    if (recent.text == text && std::strcmp(recent.shared->c_str(), text) == 0) return recent.shared;
    std::string const* const shared = oneCopyOf(text);
    recent = RecentURI{text, shared};
    return shared;
}

}  // namespace

BaseObject::BaseObject(char const* namespaceURI) : m_namespaceURI(namespaceURIFor(namespaceURI)) {}

std::string const* BaseObject::shareNamespaceURI(char const* namespaceURI) {
    return oneCopyOf(namespaceURI == nullptr ? "" : namespaceURI);
}

BaseObject::BaseObject(BaseObject const& other) : m_namespaceURI(other.m_namespaceURI) {}

BaseObject::~BaseObject() = default;

void BaseObject::removeRef() noexcept {
    if (--m_refCount <= 0) delete this;
}

BaseObject* BaseObject::clone() const { return reallyClone(); }

}  // namespace Kestrune::Soa::Common::Xml
