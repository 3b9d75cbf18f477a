#include "main/ArgumentHandler.h"

#include "common/StringUtils.h"

VelArgumentHandler::VelArgumentHandler(StringList arguments)
    : AllArguments(arguments), RemainingArguments(std::move(arguments)) {}

bool VelArgumentHandler::IsAbsolutePathArgument(const std::string& argument) {
    if (argument.empty() || argument[0] != '/') return false;
    size_t secondSlash = argument.find('/', 1);
    if (secondSlash == std::string::npos) return false;
    size_t colon = argument.find(':');
    return colon == std::string::npos || secondSlash < colon;
}

bool VelArgumentHandler::Matches(const std::string& argument, const std::string& name, int mode) {
    if (IsAbsolutePathArgument(argument)) return false;
    switch (mode) {
        case mmExact:
            return argument == name;
        case mmExactIgnoreCase:
            return LowerAscii(argument) == LowerAscii(name);
        case mmPrefix:
            return StartsWith(argument, name, false);
        case mmPrefixIgnoreCase:
            return StartsWith(argument, name, true);
        // Unlike EndsWith, a shorter argument never matches.
        case mmSuffix:
        case mmSuffixIgnoreCase:
            return argument.size() >= name.size() &&
                   EndsWith(argument, name, mode == mmSuffixIgnoreCase);
        default:
            return false;
    }
}

bool VelArgumentHandler::WasGiven(const std::string& name, int mode) const {
    for (const std::string& argument : AllArguments)
        if (Matches(argument, name, mode)) return true;
    return false;
}

int VelArgumentHandler::IndexOf(const std::string& name, int mode) const {
    for (size_t i = 0; i < RemainingArguments.size(); ++i)
        if (Matches(RemainingArguments[i], name, mode)) return int(i);
    return -1;
}

bool VelArgumentHandler::TakeSwitch(const std::string& name, int mode) {
    int at = IndexOf(name, mode);
    if (at < 0) return false;
    RemainingArguments.erase(RemainingArguments.begin() + at);
    return true;
}

bool VelArgumentHandler::TakeSwitchValue(const std::string& name, std::string& value, int mode) {
    int at = IndexOf(name, mode);
    if (at < 0) return false;
    value = RemainingArguments[size_t(at)];
    RemainingArguments.erase(RemainingArguments.begin() + at);
    return true;
}

void VelArgumentHandler::TakeNext(std::string& value) {
    if (RemainingArguments.empty()) {
        value.clear();
        return;
    }
    value = RemainingArguments.front();
    RemainingArguments.erase(RemainingArguments.begin());
}

void VelArgumentHandler::RemainingAsText(std::string& text) const {
    text.clear();
    for (size_t i = 0; i < RemainingArguments.size(); ++i) {
        const std::string& argument = RemainingArguments[i];
        if (i > 0) text += ' ';
        if (argument.find(' ') != std::string::npos)
            text += "\"" + argument + "\"";
        else
            text += argument;
    }
}
