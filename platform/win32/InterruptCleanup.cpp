#include "platform/InterruptCleanup.h"

#include <windows.h>

#include <atomic>

#include "platform/InterruptSlots.h"
#include "platform/win32/InterruptState.h"

namespace platform {

namespace {

using interrupt::ArmedPath;
using interrupt::Slots;

// How long the handler waits for a copy in progress to let go of its file.
constexpr DWORD ReleaseWaitMs = 3000;

BOOL CancelCopies = FALSE;
std::atomic<HANDLE> LentFile{nullptr};

// A file that a copy still holds open cannot be removed yet (32); one whose
// removal is pending refuses further access (5). The read-only attribute that
// a copy takes over from its source would refuse the removal for good.
void RemoveWhenReleased(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    const DWORD deadline = ::GetTickCount() + ReleaseWaitMs;
    for (;;) {
        ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        if (::DeleteFileA(path)) return;
        const DWORD reason = ::GetLastError();
        if (reason != ERROR_SHARING_VIOLATION && reason != ERROR_ACCESS_DENIED) return;
        if (LONG(::GetTickCount() - deadline) >= 0) return;
        ::Sleep(10);
    }
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    ::InterlockedExchange(reinterpret_cast<volatile LONG*>(&CancelCopies), TRUE);
    // The writer's next write fails; the process ends before it can matter.
    if (HANDLE lent = LentFile.exchange(nullptr)) ::CloseHandle(lent);
    for (ArmedPath& slot : Slots)
        if (slot.Armed.load()) RemoveWhenReleased(slot.Path);
    // Folders last, once the files armed inside them are gone; one that still
    // holds anything stays.
    for (ArmedPath& slot : Slots)
        if (slot.Armed.load()) ::RemoveDirectoryA(slot.Path);
    // Not handled here: the next handler (in the end the system's) ends the
    // process as the event would have ended it.
    return FALSE;
}

}  // namespace

namespace win32 {

BOOL* InterruptCancelFlag() {
    return &CancelCopies;
}

bool LendFileToInterrupt(HANDLE file) {
    HANDLE none = nullptr;
    return LentFile.compare_exchange_strong(none, file);
}

bool TakeFileBackFromInterrupt(HANDLE file) {
    HANDLE expected = file;
    return LentFile.compare_exchange_strong(expected, nullptr);
}

}  // namespace win32

// A process started with Ctrl-C ignored keeps ignoring it: the system does not
// call the handlers for an ignored Ctrl-C.
void RemoveRegisteredFilesOnInterrupt() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace platform
