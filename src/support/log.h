#pragma once
// The run log: one line per event, for whoever has to find out afterwards what a run did.
#include <string_view>

namespace cvinst {

class Log {
public:
    virtual ~Log() = default;
    // One event, without line break; the log adds the time.
    virtual void Write(std::string_view event) = 0;
};

}  // namespace cvinst
