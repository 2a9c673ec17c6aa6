#pragma once
// Whether anyone can see the windows of this process, from what the system says of its session.
#include <optional>

namespace cvinst {

// Seen only from a visible window station outside session 0 (where services, SYSTEM and task
// sequences run, and no one is logged on). What could not be found out counts as unseen: a box
// nobody answers would hold the run for ever, while unseen only sends it to the log.
bool AnyoneSees(std::optional<bool> stationVisible, std::optional<unsigned long> sessionId);

}  // namespace cvinst
