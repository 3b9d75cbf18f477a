#include "TestBroker.h"

#include <windows.h>
#include <winsock2.h>

#include <cstdlib>

void StartWindowsSockets() {
    static bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

intptr_t AskTestBroker(const std::string& request, std::string& answer) {
    const char* port = std::getenv("VELCOPY_TEST_BROKER");
    answer.clear();
    if (port == nullptr) {
        answer = "no test broker: run the test program through tools/with-test-broker.sh";
        return -1;
    }
    StartWindowsSockets();
    SOCKET fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(std::atoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::string line = request + "\n";
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        send(fd, line.data(), int(line.size()), 0) != int(line.size())) {
        closesocket(fd);
        answer = "the test broker does not answer";
        return -1;
    }
    char c;
    while (recv(fd, &c, 1, 0) == 1 && c != '\n') answer += c;
    return intptr_t(fd);
}

void EndTestBrokerRequest(intptr_t connection) {
    if (connection != -1) closesocket(SOCKET(connection));
}

std::string WindowsPathOfMachine(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string MachinePathOf(const std::string& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    static const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) return {};
    std::wstring wide(path.size() + 1, L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), int(wide.size())) <= 0)
        return {};
    char* unix = toUnix(wide.c_str());
    if (unix == nullptr) return {};
    std::string result = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return result;
}

unsigned ModeOf(const std::string& path) {
    const std::string machinePath = MachinePathOf(path);
    if (machinePath.empty()) return 0;
    std::string answer;
    EndTestBrokerRequest(AskTestBroker("mode " + machinePath, answer));
    return unsigned(std::strtoul(answer.c_str(), nullptr, 8));
}

int InterruptProcessesNamed(const std::string& marker) {
    std::string answer;
    EndTestBrokerRequest(AskTestBroker("interrupt " + marker, answer));
    return std::atoi(answer.c_str());
}
