#pragma once

// The reference-counting handle that every public value class derives from.
// Header-only, so that the host layer's own handle classes can use it too.

#include "host/BaseObject.h"
#include "xml/Export.h"

#include <cstdint>
#include <exception>
#include <type_traits>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

/// Thrown when an implementation object cannot be allocated (the memory
/// manager, or the global allocator, gave no memory). It carries no data;
/// what() says what it means.
class KXSOA_VISIBLE_TYPE TryingToCreateNullHandle : public std::exception {
public:
    char const* what() const noexcept override { return "an implementation object could not be allocated"; }
};

/// A counted reference to one implementation object `T` (derived from
/// BaseObject). Copies share the object; the last handle to let go destroys
/// it. Counting is plain, not atomic: objects that share an implementation
/// object are used by one thread at a time.
template <class T>
class Handle {
public:
    /// A handle without object; only a derived class that installs one at once
    /// may use it. Destroying it releases nothing.
    Handle() noexcept = default;

    Handle(Handle const& other) noexcept : m_object(other.m_object) { init(); }

    Handle& operator=(Handle const& other) noexcept {
        if (this != &other && m_object != other.m_object) {
            if (m_object) m_object->removeRef();
            m_object = other.m_object;
            init();
        }
        return *this;
    }

    virtual ~Handle() {
        if (m_object) m_object->removeRef();
    }

    /// Gives this handle an object of its own when it shares one: a shallow
    /// clone (its nested structures and list entries stay shared). When the
    /// clone cannot be allocated, throws TryingToCreateNullHandle and leaves
    /// the handle, its object and every count as they were.
    void ensureUnShared() {
        if (count() <= 1) return;
        BaseObject* const copy = m_object->clone();
        if (!copy) throw TryingToCreateNullHandle();
        T* const fresh = static_cast<T*>(copy);
        ++static_cast<BaseObject*>(fresh)->m_refCount;
        m_object->removeRef();
        m_object = fresh;
    }

protected:
    /// Takes `object` and counts this handle's reference. A null object (its
    /// allocation failed) throws TryingToCreateNullHandle and counts nothing.
    explicit Handle(T* object) : m_object(object) {
        if (!m_object) throw TryingToCreateNullHandle();
        init();
    }

    T& getHandleObject() const noexcept { return *m_object; }

private:
    friend struct HandleAccess;

    void init() noexcept {
        if (m_object) ++static_cast<BaseObject*>(m_object)->m_refCount;
    }
    std::int32_t count() const noexcept { return static_cast<BaseObject const*>(m_object)->m_refCount; }

    T* m_object = nullptr;
};

/// Reaches the implementation object behind any handle: for the binding
/// runtime, which writes and reads members through their implementation.
struct HandleAccess {
    template <class T>
    static T& object(Handle<T> const& handle) noexcept {
        return handle.getHandleObject();
    }
};

/// The implementation class of a public class.
template <class Public>
using ImplOf = std::remove_reference_t<decltype(HandleAccess::object(std::declval<Public const&>()))>;

}  // namespace Kestrune::Soa::Common::Xml
