// What the binder learns of the names of each kind of element by their
// numbers, out of the way of an element that finds them learnt: a frame's
// kinds, and the attributes found by name the first time.

#include "host/XmlBinder.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace Kestrune::Soa::Common::Xml {

// The frame's element is of the kind `rules`, and not of its own kind
// before: what was learnt of that kind before is its own again, else it
// starts to learn it, and its kind before is kept in place of the one met
// longest ago.
void XmlBinder::learnKind(Frame& frame, XmlElementRules const* rules) noexcept {
    for (Numbers& other : frame.others) {
        if (other.rules == rules) {
            std::swap(frame.own, other);
            return;
        }
    }
    frame.others[frame.replaced] = frame.own;
    frame.replaced = static_cast<unsigned char>((frame.replaced + 1) % std::size(frame.others));
    Numbers& learnt = frame.own;
    learnt.rules = rules;
    learnt.childNumber = XmlName::kUncounted;
    learnt.namespaceNumber = XmlName::kUncounted;
    std::fill(std::begin(learnt.attributeNumbers), std::end(learnt.attributeNumbers), XmlName::kUncounted);
}

// The values of the attributes of `frame`'s rules on `element`, in the
// rules' order (see attributeValues), when they are not in that order as
// numbered before: each attribute found by its number, else by its name.
void XmlBinder::valuesByName(Frame& frame, XmlElementStart const& element, std::string_view* values) {
    std::size_t const count = frame.rules->attributeCount;
    std::fill_n(values, count, std::string_view());
    std::uint32_t given = 0;  // bit i: the rule of index i has its value
    for (std::size_t at = 0; at < element.attributeCount; ++at) {
        std::size_t const index = attributeIndex(frame, element.attributes[at].name);
        if (index < count && (given >> index & 1U) == 0) {
            given |= 1U << index;
            values[index] = element.attributes[at].value;
        }
    }
}

// The index of the attribute rule of `frame`'s rules that `name` has, or
// attributeCount: found by the name's number once it was met.
std::size_t XmlBinder::attributeIndex(Frame& frame, XmlName name) {
    XmlElementRules const& rules = *frame.rules;
    std::uint32_t* const numbers = frame.own.attributeNumbers;
    std::size_t index = 0;
    if (name.number != XmlName::kUncounted) {
        while (index < rules.attributeCount && numbers[index] != name.number) ++index;
        if (index < rules.attributeCount) return index;
    }
    index = rules.attributeNamed(name.text);
    if (index < rules.attributeCount) numbers[index] = name.number;
    return index;
}

}  // namespace Kestrune::Soa::Common::Xml
