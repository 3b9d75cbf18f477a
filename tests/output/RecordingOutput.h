#pragma once
// A test output that records every call it receives, in order, as text:
// "progress", "finish", "message <class> <text>". Its Accepts answer is set by
// the test; Report is the base class's.

#include <set>
#include <string>
#include <vector>

#include "output/BaseOutput.h"

class RecordingOutput : public VelSyncBaseOutput {
public:
    explicit RecordingOutput(std::vector<std::string>* calls = nullptr, bool* destroyed = nullptr)
        : Calls(calls ? calls : &OwnCalls), Destroyed(destroyed) {}
    ~RecordingOutput() override {
        if (Destroyed) *Destroyed = true;
    }

    void ShowProgress(const SyncStatistics&) override { Calls->push_back("progress"); }
    void Finish(const SyncStatistics&) override { Calls->push_back("finish"); }
    void Message(MessageClass cls, const std::string& text) override {
        Calls->push_back("message " + std::to_string(int(cls)) + " " + text);
    }
    bool Accepts(MessageClass cls) override { return Refused.count(int(cls)) == 0; }

    std::set<int> Refused;
    std::vector<std::string>* Calls;

private:
    std::vector<std::string> OwnCalls;
    bool* Destroyed;
};
