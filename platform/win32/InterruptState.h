#pragma once
// What the console control handler of InterruptCleanup.cpp shares with the file
// copy and the FTP download: the flag that tells a copy in progress to stop, and
// the file a download is writing. Windows runs the handler
// on a thread of its own while the copy goes on; a copy that stops removes what
// it has written and lets go of the file, so that the handler can remove the
// rest.

#include <windows.h>

namespace platform::win32 {

// The cancel flag CopyFileEx polls; TRUE once an interrupt has arrived.
BOOL* InterruptCancelFlag();

// A download blocked on the network holds its local file open until the process
// has ended, and an open file can be marked for deletion but not taken out of
// its folder. So the writer lends the handle to the handler, which closes it on
// an interrupt before it removes the armed files. One file is lent at a time:
// false when another one is (the writer then keeps its handle to itself).
bool LendFileToInterrupt(HANDLE file);
// Takes the lent handle back; false when an interrupt has closed it already
// (it must not be used or closed again).
bool TakeFileBackFromInterrupt(HANDLE file);

}  // namespace platform::win32
