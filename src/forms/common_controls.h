#pragma once

namespace cvinst::win {

// Loads the common controls (version 6, through the manifest) from the system folder and registers
// the standard classes. Call it once the DLL search is restricted: comctl32 is no known DLL.
void LoadCommonControls();

}  // namespace cvinst::win
