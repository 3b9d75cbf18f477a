#include "tests/support/RecordingOutput.h"

RecordingOutput::RecordingOutput(std::vector<std::string>* calls, bool* destroyed)
    : ExternalCalls(calls), Destroyed(destroyed) {}

RecordingOutput::~RecordingOutput() {
    if (Destroyed != nullptr) *Destroyed = true;
}

void RecordingOutput::ShowProgress(const SyncStatistics&) {
    ++ProgressCalls;
    Calls().push_back("progress");
}

void RecordingOutput::Finish(const SyncStatistics& stats) {
    ++FinishCalls;
    Final = stats;
    Calls().push_back("finish");
}

void RecordingOutput::Message(MessageClass cls, const VelMessageText& text) {
    Messages.push_back({cls, text.Joined(), text});
    Calls().push_back("message " + std::to_string(int(cls)) + " " + text.Joined());
}

bool RecordingOutput::Accepts(MessageClass cls) {
    return Refused.count(int(cls)) == 0;
}

std::vector<std::string> RecordingOutput::TextsOf(MessageClass cls) const {
    std::vector<std::string> texts;
    for (const Entry& entry : Messages)
        if (entry.Class == cls) texts.push_back(entry.Text);
    return texts;
}

std::vector<std::string> RecordingOutput::Lines() const {
    std::vector<std::string> lines;
    for (const Entry& entry : Messages) {
        const std::vector<std::string> formatted = FormatLines(entry.Class, entry.Full);
        std::string joined = formatted.front();
        for (size_t i = 1; i < formatted.size(); ++i) joined += "\r\n" + formatted[i];
        lines.push_back(joined);
    }
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
