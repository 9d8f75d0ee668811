#pragma once

#include "host/Export.h"

#include <cstdint>
#include <string>

namespace Kestrune::Soa::Common::Xml {

template <class T>
class Handle;

/// Base of every implementation object: the object's namespace URI and its
/// reference count. Handles own implementation objects through the count;
/// the last removeRef() destroys the object.
class KXSOACOMMON_EXPORT BaseObject {
public:
    virtual ~BaseObject();

    /// Gives up one reference; at the last one, destroys the object through
    /// its virtual destructor (and so its class operator delete).
    void removeRef() noexcept;

    /// A new copy of this object, with a count of 0; null when its memory
    /// could not be allocated.
    BaseObject* clone() const;

    /// The namespace URI that the object's element is written in.
    /// Objects built with the same URI text share one string, which lives
    /// as long as the process.
    std::string const& getNamespaceURI() const noexcept { return *m_namespaceURI; }

    /// How many handles hold this object.
    std::int32_t getRefCount() const noexcept { return m_refCount; }

protected:
    /// Takes the process's one copy of the URI's text (a null URI is empty);
    /// the first object with a given URI makes that copy.
    explicit BaseObject(char const* namespaceURI);
    /// A URI's text as the process's one copy of it. A type whose objects
    /// are made by the thousand takes it once, with sharedNamespaceURI(),
    /// and builds each object with it, not looking the text up each time.
    struct SharedNamespaceURI {
        std::string const* text;
    };
    explicit BaseObject(SharedNamespaceURI namespaceURI) noexcept : m_namespaceURI(namespaceURI.text) {}
    /// The one copy of `namespaceURI`'s text (an array of static storage),
    /// taken at the first call.
    template <char const* namespaceURI>
    static SharedNamespaceURI sharedNamespaceURI() {
        static SharedNamespaceURI const shared{shareNamespaceURI(namespaceURI)};
        return shared;
    }
    /// The one copy of a URI's text (a null URI is empty), made at the first
    /// call with that text.
    static std::string const* shareNamespaceURI(char const* namespaceURI);
    /// Shares the URI; the copy is held by nobody yet, so its count is 0.
    BaseObject(BaseObject const& other);
    BaseObject& operator=(BaseObject const&) = delete;

    virtual BaseObject* reallyClone() const = 0;

private:
    template <class T>
    friend class Handle;

    std::string const* m_namespaceURI;
    std::int32_t m_refCount = 0;
};

}  // namespace Kestrune::Soa::Common::Xml
