#include "startup/win32/environment.h"

#include "support/win32/regis.h"

namespace cvinst {

bool EnvironmentAllowsActions() { return CanWriteMachineSettings(); }

}  // namespace cvinst
