#include "startup/session.h"

namespace cvinst {

bool AnyoneSees(std::optional<bool> stationVisible, std::optional<unsigned long> sessionId) {
    return stationVisible.value_or(false) && sessionId.value_or(0) != 0;
}

}  // namespace cvinst
