#pragma once
// The message sink every part of the system reports through. A report is a
// message class with one text argument, most often one line (see MessageText.h);
// concrete outputs turn both into lines. Outputs are used from the main thread
// only.

#include <string>
#include <vector>

#include "output/MessageClass.h"
#include "output/MessageText.h"
#include "output/SyncStatistics.h"

class VelSyncBaseOutput {
public:
    virtual ~VelSyncBaseOutput() = default;

    virtual void ShowProgress(const SyncStatistics& stats);
    // Called once at the end of a run: the console ends its progress line, a log
    // file closes its file.
    virtual void Finish(const SyncStatistics& stats);
    // When Accepts(cls): ShowProgress(stats), then Message(cls, text).
    virtual void Report(const SyncStatistics& stats, MessageClass cls, const VelMessageText& text);
    virtual void Message(MessageClass cls, const VelMessageText& text);
    virtual bool Accepts(MessageClass cls);

    // The class's format text with the argument in place of "%s". The argument
    // is inserted as it is (a "%" in it means nothing), except that its control
    // bytes are made visible (ShowControlCharacters).
    static std::string FormatMessage(MessageClass cls, const std::string& argument);
    static bool IsDetailClass(MessageClass cls) { return cls >= 1 && cls <= 10; }
    static bool IsActionClass(MessageClass cls) { return cls >= 13 && cls <= 23; }
    static bool IsWarningClass(MessageClass cls) { return cls == 26; }
    static bool IsErrorClass(MessageClass cls) { return cls == 29 || cls == 30; }
    // FormatMessage with the "!! Error: " or "!! Warning: " prefix of its group.
    static std::string FormatLine(MessageClass cls, const std::string& argument);
    // The lines an output writes for a message: the first as FormatLine gives
    // it, each further one with its control bytes made visible.
    static std::vector<std::string> FormatLines(MessageClass cls, const VelMessageText& text);
};
