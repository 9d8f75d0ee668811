#pragma once

// Records the timing probes that fire while it is installed, in order, as
// "start <probe>", "end <probe>" and "abandoned <probe>".

#include "host/Monitor.h"

#include <string>
#include <vector>

namespace kxsoa_test {

class ProbeRecorder : public Kestrune::Soa::Internal::Common::Monitor::Observer {
public:
    std::vector<std::string> events;

    ProbeRecorder() : m_previous(Kestrune::Soa::Internal::Common::Monitor::setObserver(this)) {}
    ~ProbeRecorder() override { Kestrune::Soa::Internal::Common::Monitor::setObserver(m_previous); }
    ProbeRecorder(ProbeRecorder const&) = delete;
    ProbeRecorder& operator=(ProbeRecorder const&) = delete;

    void onStart(std::string const& probe) override { events.push_back("start " + probe); }
    void onEnd(std::string const& probe) override { events.push_back("end " + probe); }
    void onAbandoned(std::string const& probe) override { events.push_back("abandoned " + probe); }

private:
    Kestrune::Soa::Internal::Common::Monitor::Observer* m_previous;
};

}  // namespace kxsoa_test
