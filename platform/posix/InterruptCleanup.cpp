#include "platform/InterruptCleanup.h"

#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include "platform/InterruptSlots.h"

namespace platform {

namespace {

using interrupt::ArmedPath;
using interrupt::Slots;

const int Interrupts[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnInterrupt(int signal) {
    const int saved = errno;
    for (ArmedPath& slot : Slots)
        if (slot.Armed.load()) unlink(slot.Path);
    // Folders last, once the files armed inside them are gone.
    for (ArmedPath& slot : Slots)
        if (slot.Armed.load()) rmdir(slot.Path);
    // End as the signal would have ended the process: its default action. The
    // signal is blocked while this runs, so it is delivered again on return.
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    sigaction(signal, &plain, nullptr);
    raise(signal);
    errno = saved;
}

}  // namespace

void RemoveRegisteredFilesOnInterrupt() {
    struct sigaction handler {};
    handler.sa_handler = OnInterrupt;
    sigemptyset(&handler.sa_mask);
    for (int signal : Interrupts) sigaddset(&handler.sa_mask, signal);
    for (int signal : Interrupts) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        sigaction(signal, &handler, nullptr);
    }
}

}  // namespace platform
