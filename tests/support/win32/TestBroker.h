#pragma once
// The Windows tests' way to what wine does not give a Windows program: the test
// broker (tests/support/test_broker.py, run beside the test program by
// tools/with-test-broker.sh) starts FTP servers, reads permission bits and
// interrupts processes of this machine.

#include <cstdint>
#include <string>

// Sends one request line and reads the broker's one-line answer. Returns the
// connection, which the caller ends with EndTestBrokerRequest (a server the
// broker started lives until then), or -1 with the reason in `answer`.
intptr_t AskTestBroker(const std::string& request, std::string& answer);
void EndTestBrokerRequest(intptr_t connection);

// A path of this machine as the Windows programs reach it (drive Z: is the
// machine's root under wine), and a Windows path as the machine's path; the
// latter is empty off wine.
std::string WindowsPathOfMachine(std::string path);
std::string MachinePathOf(const std::string& path);

// The permission bits of a file as this machine keeps them (a file made or
// changed by an FTP server under test); 0 when they cannot be had.
unsigned ModeOf(const std::string& path);

// Interrupts (SIGINT, which wine turns into Ctrl-C) every process of this user
// whose command line holds `marker`; how many there were.
int InterruptProcessesNamed(const std::string& marker);

// Windows sockets, started once.
void StartWindowsSockets();
