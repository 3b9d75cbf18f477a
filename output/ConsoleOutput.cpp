#include "output/ConsoleOutput.h"

VelSyncConsoleOutput::VelSyncConsoleOutput(platform::Console& console) : Console(console) {}

VelSyncConsoleOutput::~VelSyncConsoleOutput() {
    if (PendingLength > 0) WriteLine("", false);
}

void VelSyncConsoleOutput::WriteLine(const std::string& text, bool newline) {
    int32_t length = int32_t(text.size());
    std::string bytes = "\r" + text;
    int32_t rest = PendingLength - length;
    // Blanks and then backspaces rather than a clear-line sequence, so that the
    // cursor stays right after the visible text on any terminal (and in files).
    if (rest > 0) bytes += std::string(size_t(rest), ' ') + std::string(size_t(rest), '\b');
    if (newline) {
        bytes += "\r\n";
        PendingLength = 0;
    } else {
        PendingLength = length;
    }
    Console.Write(bytes);
}

std::string VelSyncConsoleOutput::ProgressSummary(const SyncStatistics& stats) {
    // Summed in 64 bits: two counters near their limit must not wrap.
    long long folders = (long long)stats.FoldersDone + stats.FoldersDeleted;
    return "Directories: " + std::to_string(folders) + "/" + std::to_string(stats.FoldersFound) +
           "  Files: " + std::to_string(stats.FilesDone) + "/" + std::to_string(stats.FilesFound);
}

void VelSyncConsoleOutput::ShowProgress(const SyncStatistics& stats) {
    WriteLine(ProgressSummary(stats), false);
}

void VelSyncConsoleOutput::Finish(const SyncStatistics&) {
    if (PendingLength <= 0) return;
    Console.Write("\r\n");
    PendingLength = 0;
}

// The first line overwrites a pending summary; the lines after it begin fresh.
void VelSyncConsoleOutput::Message(MessageClass cls, const VelMessageText& text) {
    for (const std::string& line : FormatLines(cls, text)) WriteLine(line, true);
}
