#pragma once

// How a message is read: how strictly it is held to the published schemas
// (ReadPolicy), which root element a read of a known type takes, and how
// many errors a validating read reports.

#include "host/XmlBinder.h"
#include "host/XmlRules.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

/// The root element that a read of a known type takes (ReadOptions::root).
/// By default it is the type's own: in the type's namespace and named after
/// it, as the schemas declare it, so that a message of another type or
/// another version is refused (DomException of kind WrongRoot) instead of
/// read as far as it goes.
class RootName {
public:
    /// The type's own element: its class name, in its namespace.
    static RootName ofType() { return RootName(Check::OfType, {}); }
    /// `localName` in the type's namespace: for messages that a peer writes
    /// under a name of its own (outputXML writes any name it is given).
    static RootName named(std::string localName) { return RootName(Check::Named, std::move(localName)); }
    /// Any local name, in the type's namespace.
    static RootName anyName() { return RootName(Check::AnyName, {}); }
    /// Any element at all, in any namespace: neither is looked at.
    static RootName unchecked() { return RootName(Check::Unchecked, {}); }

    /// The namespace and the local name a root must have, for a type whose
    /// rules are `rules`; each empty when it is not checked.
    std::string_view expectedNamespace(XmlElementRules const& rules) const noexcept {
        return m_check == Check::Unchecked ? std::string_view() : rules.namespaceURI;
    }
    std::string_view expectedName(XmlElementRules const& rules) const noexcept {
        return m_check == Check::OfType ? rules.typeName : std::string_view(m_name);
    }

private:
    enum class Check : unsigned char { OfType, Named, AnyName, Unchecked };
    RootName(Check check, std::string name) : m_check(check), m_name(std::move(name)) {}

    Check m_check;
    std::string m_name;  ///< for Named
};

/// How a message is read. The default is the lenient read of every earlier
/// release, the root element now checked:
///
///     ReadOptions options;                        // Lenient, the type's own root
///     ReadOptions validating(ReadPolicy::Validate);
///     options.root = RootName::named("request");  // written under another name
struct ReadOptions {
    ReadOptions() = default;
    /// Options with `policy` and the rest as by default (so that a policy
    /// may be given where options are asked for).
    ReadOptions(ReadPolicy strictness) : policy(strictness) {}  ///< NOLINT(google-explicit-constructor)
    /// Options with `root` and the rest as by default.
    ReadOptions(RootName rootName) : root(std::move(rootName)) {}  ///< NOLINT(google-explicit-constructor)

    ReadPolicy policy = ReadPolicy::Lenient;
    /// The root element of a read of a known type (not of a read of one of
    /// several types, whose root tells the type).
    RootName root = RootName::ofType();
    /// The most errors a validating read reports (at least one); at the
    /// next one it adds an error of kind Limit that says it looked no
    /// further, and throws.
    std::size_t maxErrors = XmlBinder::kDefaultMaxErrors;

    /// The binder's options for a read of the type whose rules are `rules`,
    /// or of one of several types when `rules` is null.
    XmlBinder::Options binderOptions(XmlElementRules const* rules) const {
        XmlBinder::Options options;
        options.policy = policy;
        options.maxErrors = maxErrors;
        if (rules != nullptr) {
            options.rootNamespace = root.expectedNamespace(*rules);
            options.rootName = root.expectedName(*rules);
        }
        return options;
    }
};

}  // namespace Kestrune::Soa::Common::Xml
