#pragma once

// The workload being measured: one message and its text, built on first
// use and held until the cases move on to another workload (the largest
// takes gigabytes, so only one is held at a time), and what its cases share.

#include "Workloads.h"

#include "host/XmlReadLimits.h"
#include "xml/Message.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <streambuf>
#include <string>

namespace kxsoa_bench {

using Kestrune::Soa::Common::Xml::writeMessage;
using Kestrune::Soa::Common::Xml::XmlReadLimits;

// One message with its text. The cases of a workload are registered
// together, so that it is built once.
template <class Message>
struct Built {
    Message message;
    std::string text;
    Contents contents;
};

template <class Message>
struct Workload {
    std::string name;  // "W1/1k"
    std::size_t records;
    std::string elementName;
    std::function<Message()> build;
};

struct AnyBuilt {
    virtual ~AnyBuilt() = default;
};
template <class Message>
struct HeldBuilt : AnyBuilt {
    Built<Message> built;
};

namespace held {
inline std::string name;
inline std::unique_ptr<AnyBuilt> built;
}  // namespace held

// The workload's message and text, built unless it is the one held.
template <class Message>
Built<Message> const& get(Workload<Message> const& workload) {
    if (held::name != workload.name) {
        held::built.reset();  // the previous workload's memory goes back first
        auto next = std::make_unique<HeldBuilt<Message>>();
        next->built.message = workload.build();
        next->built.text = writeMessage(next->built.message, workload.elementName);
        next->built.contents = contentsOf(next->built.message);
        held::built = std::move(next);
        held::name = workload.name;
    }
    return static_cast<HeldBuilt<Message>&>(*held::built).built;
}

inline void setBytes(benchmark::State& state, std::string const& text) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

inline XmlReadLimits limitsFor(std::string const& text) {
    XmlReadLimits limits;
    limits.maxBytes = std::max(limits.maxBytes, text.size());  // W1 at 100k records is over the default
    return limits;
}

// Appends to a string that outlives the stream: the second document of the
// same shape finds its memory already there.
class ReusedString : public std::streambuf {
public:
    std::string text;

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) text.push_back(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(char const* s, std::streamsize n) override {
        text.append(s, static_cast<std::size_t>(n));
        return n;
    }
};

}  // namespace kxsoa_bench
