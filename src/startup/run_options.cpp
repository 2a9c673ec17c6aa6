#include "startup/run_options.h"

namespace cvinst {

RunOptions& Options() {
    static RunOptions options;
    return options;
}

}  // namespace cvinst
