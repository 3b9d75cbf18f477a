#pragma once
// Removing the temporary file of work in progress when the process is
// interrupted: Ctrl-C, a termination request or the loss of the terminal
// (SIGINT, SIGTERM and SIGHUP on POSIX; Ctrl-C, Ctrl-Break and the console
// closing on Windows). Nothing else about an interrupt changes: after the
// registered files are removed the process ends as the interrupt would have
// ended it (by the same signal, or with the same exit code).

#include <string>

namespace platform {

// From now on an interrupt first removes the files registered below. An
// interrupt the process was started with ignored (a job started with nohup)
// stays ignored. Call once, early, from the main thread.
void RemoveRegisteredFilesOnInterrupt();

// While armed, the file at `path` is removed should an interrupt end the
// process. Arm a file only once it exists and is the caller's own (the removal
// must never hit another file of that name). An armed folder is removed after
// the armed files, when it is empty by then (a private folder of temporary
// files, each of them armed too). A relative path is taken from the
// current directory at the time of the interrupt. A few files can be armed at
// once, from any thread; beyond that a file is simply not protected, and a path
// longer than 4096 bytes is not protected either.
class RemovedOnInterrupt {
public:
    RemovedOnInterrupt() = default;
    explicit RemovedOnInterrupt(const std::string& path) { Arm(path); }
    ~RemovedOnInterrupt() { Disarm(); }
    RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
    RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;

    void Arm(const std::string& path);
    // The file is no longer removed on an interrupt (and is not removed now).
    void Disarm();

private:
    int Slot = -1;
};

}  // namespace platform
