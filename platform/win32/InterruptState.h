#pragma once
// What the console control handler of InterruptCleanup.cpp shares with the file
// copy: the flag that tells a copy in progress to stop. Windows runs the handler
// on a thread of its own while the copy goes on; a copy that stops removes what
// it has written and lets go of the file, so that the handler can remove the
// rest.

#include <windows.h>

namespace platform::win32 {

// The cancel flag CopyFileEx polls; TRUE once an interrupt has arrived.
BOOL* InterruptCancelFlag();

}  // namespace platform::win32
