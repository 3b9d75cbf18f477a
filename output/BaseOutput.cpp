#include "output/BaseOutput.h"

#include "common/StringUtils.h"

void VelSyncBaseOutput::ShowProgress(const SyncStatistics&) {}

void VelSyncBaseOutput::Finish(const SyncStatistics&) {}

void VelSyncBaseOutput::Report(const SyncStatistics& stats, MessageClass cls,
                               const VelMessageText& text) {
    if (!Accepts(cls)) return;
    ShowProgress(stats);
    Message(cls, text);
}

void VelSyncBaseOutput::Message(MessageClass, const VelMessageText&) {}

bool VelSyncBaseOutput::Accepts(MessageClass) {
    return true;
}

namespace {

// nullptr: the argument is the whole text.
const char* FormatText(MessageClass cls) {
    switch (cls) {
        case mcScanSource:
            return "Scanning source folder: %s";
        case mcScanTarget:
            return "Scanning target folder: %s";
        case mcScanFolder:
            return "Scanning folder: %s";
        case mcScanBeforeDelete:
            return "Scanning folder: %s prior to deleting it";
        case mcUpToDate:
            return "File %s does not need copying.";
        case mcMarkFolderDelete:
            return "Marking folder %s for later deletion.";
        case mcMarkFileDelete:
            return "Marking file %s for later deletion.";
        case mcIgnoreFolder:
            return "Ignoring folder %s";
        case mcFolderNotAtSource:
            return "Folder not at source: %s";
        case mcFileNotAtSource:
            return "File not at source: %s";
        case mcConnected:
            return "Connection established.";
        case mcCopyFile:
            return "Copying file %s";
        case mcRenameFrom:
            return "Renaming %s";
        case mcRenameTo:
            return "Renaming to %s";
        case mcCreateFolder:
            return "Creating folder %s";
        case mcDeleteFile:
            return "Deleting file %s";
        case mcDeleteFolder:
            return "Deleting folder %s";
        case mcDebug:
            return "Debug: %s";
        default:
            return nullptr;
    }
}

}  // namespace

std::string VelSyncBaseOutput::FormatMessage(MessageClass cls, const std::string& argument) {
    if (cls == mcScanFolder && argument.empty()) return "Scanning folder: .";
    // Arguments carry names from the trees and from servers: a line feed or an
    // escape sequence in one must not forge a line or drive the terminal.
    const std::string shown = ShowControlCharacters(argument);
    const char* format = FormatText(cls);
    if (format == nullptr) return shown;
    std::string text = format;
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, shown);
    return text;
}

std::string VelSyncBaseOutput::FormatLine(MessageClass cls, const std::string& argument) {
    std::string text = FormatMessage(cls, argument);
    if (IsErrorClass(cls)) return "!! Error: " + text;
    if (IsWarningClass(cls)) return "!! Warning: " + text;
    return text;
}

std::vector<std::string> VelSyncBaseOutput::FormatLines(MessageClass cls,
                                                        const VelMessageText& text) {
    std::vector<std::string> lines = {FormatLine(cls, text.Line(0))};
    for (size_t i = 1; i < text.LineCount(); ++i)
        lines.push_back(ShowControlCharacters(text.Line(i)));
    return lines;
}
