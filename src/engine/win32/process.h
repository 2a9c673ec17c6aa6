#pragma once
// Starting processes, waiting for them while the window keeps working, and the file and folder
// look-ups of the install run.
#include <string>

#include "engine/install_run.h"

namespace cvinst {

// Runs the system's own msiexec with these arguments (for example "/i " and a quoted package) and
// waits for it to end.
MsiResult RunMsiExec(const std::string& arguments);

// Starts `application` (a full path, never searched for) with the complete command line and waits
// for it, dispatching this thread's window messages meanwhile. A WM_QUIT taken from the queue
// during the wait is posted again once the wait is over.
MsiResult RunAndWait(const std::wstring& application, const std::wstring& commandLine);

// Starts an executable by its full path with `arguments` appended to its quoted path, and does not
// wait for it.
bool StartDetached(const std::string& exePath, const std::string& arguments, int showCmd);

// The name, as stored on disk, of the first entry matching `path` (wildcards allowed; a folder
// matches too); "" when nothing does.
std::string FindFile(const std::string& path);

// The folder of the running executable, without a trailing backslash.
std::string InstallerFolder();

// Makes the folder, and its drive, current; failures are ignored.
void SetCurrentFolder(const std::string& folder);

// The system's description of an error code, without the line break that ends it; "" when none.
std::string SystemErrorText(unsigned long code);

}  // namespace cvinst
