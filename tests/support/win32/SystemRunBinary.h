#pragma once
// The Windows side of RunBinary: CreateProcess with standard output on a pipe.

#include <gtest/gtest.h>

#include "SystemTestKit.h"

#include <string>
#include <vector>

namespace binarydetail {

// The build names the program by its path on the build machine; under wine a
// path that begins with "/" is reached through drive Z:.
inline std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// One argument as the C runtime splits a command line: quoted when it holds
// blanks or quotes, with the backslashes before a quote doubled.
inline std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

}  // namespace binarydetail

inline BinaryOutcome RunBinary(std::vector<std::string> arguments, bool = false) {
    BinaryOutcome outcome;
    const std::string binary = binarydetail::WindowsPath(VELCOPY_BINARY);
    std::string commandLine = binarydetail::QuoteArgument(binary);
    for (const std::string& argument : arguments)
        commandLine += " " + binarydetail::QuoteArgument(argument);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "could not start " << binary << ": no pipe: " << ::GetLastError();
        return outcome;
    }
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    bool started = ::CreateProcessA(binary.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                    nullptr, nullptr, &startup, &process);
    DWORD startError = ::GetLastError();
    ::CloseHandle(writeEnd);
    if (!started) {
        ::CloseHandle(readEnd);
        ADD_FAILURE() << "could not start " << binary << ": error " << startError;
        return outcome;
    }
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        outcome.Output.append(buffer, got);
    ::CloseHandle(readEnd);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    outcome.Started = true;
    // An exception that ends the process shows as its status code (0xC...).
    outcome.Signalled = exitCode >= 0xC0000000u;
    if (!outcome.Signalled) outcome.ExitCode = int(exitCode);
    return outcome;
}
