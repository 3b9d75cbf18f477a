#include "sync/RecordingOutput.h"

void RecordingOutput::ShowProgress(const SyncStatistics&) {
    ++ProgressCalls;
}

void RecordingOutput::Finish(const SyncStatistics& stats) {
    ++FinishCalls;
    Final = stats;
}

void RecordingOutput::Message(MessageClass cls, const std::string& text) {
    Messages.push_back({cls, text});
}

std::vector<std::string> RecordingOutput::TextsOf(MessageClass cls) const {
    std::vector<std::string> texts;
    for (const Entry& entry : Messages)
        if (entry.Class == cls) texts.push_back(entry.Text);
    return texts;
}

std::vector<std::string> RecordingOutput::Lines() const {
    std::vector<std::string> lines;
    for (const Entry& entry : Messages) lines.push_back(FormatLine(entry.Class, entry.Text));
    return lines;
}

bool RecordingOutput::Has(MessageClass cls, const std::string& text) const {
    for (const Entry& entry : Messages)
        if (entry.Class == cls && entry.Text == text) return true;
    return false;
}

int RecordingOutput::CountOf(MessageClass cls) const {
    int count = 0;
    for (const Entry& entry : Messages) count += entry.Class == cls;
    return count;
}
