#pragma once
// The one test output: it keeps every message as a (class, text) pair, counts
// the progress and finish calls (keeping the final statistics), and logs every
// call it receives as text ("progress", "finish", "message <class> <text>") for
// tests that check the order of calls through decorators. Its Accepts answer is
// set by the test (Refused); Report is the base class's.

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "output/BaseOutput.h"

class RecordingOutput : public VelSyncBaseOutput {
public:
    struct Entry {
        MessageClass Class;
        std::string Text;  // the message's lines as given, joined by CR LF
        VelMessageText Full = "";
        // Text holds the lines: an expectation gives the class and the text.
        bool operator==(const Entry& other) const {
            return Class == other.Class && Text == other.Text;
        }
    };

    // calls: where the call log goes (the output's own when null); destroyed: set
    // to true when the output is destroyed, for tests of ownership.
    explicit RecordingOutput(std::vector<std::string>* calls = nullptr, bool* destroyed = nullptr);
    ~RecordingOutput() override;

    void ShowProgress(const SyncStatistics& stats) override;
    void Finish(const SyncStatistics& stats) override;
    void Message(MessageClass cls, const VelMessageText& text) override;
    bool Accepts(MessageClass cls) override;

    // The texts of one class, in order.
    std::vector<std::string> TextsOf(MessageClass cls) const;
    // Every message as an output writes it ("!! Error: ..."), in order, the lines
    // of one message joined by CR LF.
    std::vector<std::string> Lines() const;
    bool Has(MessageClass cls, const std::string& text) const;
    int CountOf(MessageClass cls) const;

    std::vector<Entry> Messages;
    int ProgressCalls = 0;
    int FinishCalls = 0;
    SyncStatistics Final;
    std::set<int> Refused;  // classes that Accepts turns down
    // The call log: the one given at construction, or the output's own.
    std::vector<std::string>& Calls() {
        return ExternalCalls != nullptr ? *ExternalCalls : OwnCalls;
    }

private:
    // Pointers to the test's own objects only, so that an output can be copied or
    // assigned afresh without pointing into a destroyed one.
    std::vector<std::string>* ExternalCalls;
    std::vector<std::string> OwnCalls;
    bool* Destroyed;
};
