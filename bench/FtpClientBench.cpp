// Throughput and command count of the platform FTP client against curl, both
// talking to the same local vsftpd in the same run: a 256 MiB upload and download
// (binary, passive) and a LIST of a folder of 5,000 files. Prints the figures and
// the ratios client/curl. Needs vsftpd and curl; run as root (anonymous uploads).
//
// Usage: bench_FtpClientBench [size in MiB, default 256] [rounds, default 3]

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "internet/InternetClient.h"
#include "platform/LastError.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Vsftpd {
    std::string Folder, Root, Pub, Log;
    uint16_t Port = 0;
    pid_t Child = -1;

    ~Vsftpd() {
        if (Child > 0) {
            kill(Child, SIGTERM);
            waitpid(Child, nullptr, 0);
        }
        std::error_code ignored;
        if (!Folder.empty()) fs::remove_all(Folder, ignored);
    }

    static uint16_t FreePort() {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        close(fd);
        return ntohs(address.sin_port);
    }

    static bool Accepts(uint16_t port) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        return ok;
    }

    bool Start() {
        char pattern[] = "/var/tmp/velftpbench-XXXXXX";  // on disk, not in memory
        if (!mkdtemp(pattern)) return false;
        Folder = pattern;
        Root = Folder + "/root";
        Pub = Root + "/pub";
        Log = Folder + "/vsftpd.log";
        chmod(Folder.c_str(), 0755);
        fs::create_directories(Pub);
        if (passwd* ftp = getpwnam("ftp")) chown(Pub.c_str(), ftp->pw_uid, ftp->pw_gid);
        Port = FreePort();
        std::string config = Folder + "/vsftpd.conf";
        std::ofstream(config)
            << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << Port
            << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\n"
               "anon_upload_enable=YES\nanon_mkdir_write_enable=YES\nanon_other_write_enable=YES\n"
               "anon_umask=022\nno_anon_password=YES\nanon_root="
            << Root
            << "\nftp_username=ftp\nsecure_chroot_dir=/var/run/vsftpd/empty\npasv_enable=YES\n"
               "port_enable=YES\nconnect_from_port_20=NO\nseccomp_sandbox=NO\n"
               "log_ftp_protocol=YES\nxferlog_enable=YES\nxferlog_std_format=NO\n"
               "vsftpd_log_file="
            << Log << "\n";
        Child = fork();
        if (Child == 0) {
            execl("/usr/sbin/vsftpd", "vsftpd", config.c_str(), nullptr);
            _exit(127);
        }
        for (int i = 0; i < 150; ++i) {
            if (Accepts(Port)) return true;
            usleep(20000);
        }
        return false;
    }

    // Commands vsftpd has logged so far.
    size_t CommandCount() const {
        std::ifstream in(Log);
        size_t count = 0;
        for (std::string line; std::getline(in, line);)
            if (line.find("FTP command:") != std::string::npos) ++count;
        return count;
    }
};

struct Measure {
    double Seconds = 0;
    size_t Commands = 0;
    bool Ok = false;
};

// Runs an operation and counts the commands vsftpd logged for it.
Measure Run(const Vsftpd& server, const std::function<bool()>& operation) {
    size_t before = server.CommandCount();
    auto start = Clock::now();
    Measure m;
    m.Ok = operation();
    m.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    // vsftpd writes its log from the session processes; give them a moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    m.Commands = server.CommandCount() - before;
    return m;
}

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

platform::InternetHandle ClientConnect(platform::InternetHandle session, const Vsftpd& server,
                                       const std::string& folder) {
    platform::InternetHandle connection = platform::InternetConnect(
        session, "127.0.0.1", server.Port, "anonymous", "", platform::InternetFlagPassive, 1);
    if (connection && !platform::FtpSetCurrentDirectory(connection, folder)) {
        platform::InternetCloseHandle(connection);
        return platform::NoInternetHandle;
    }
    return connection;
}

// One fresh connection per operation, as curl makes one per invocation.
bool ClientCall(platform::InternetHandle session, const Vsftpd& server, const std::string& folder,
                const std::function<bool(platform::InternetHandle)>& call) {
    platform::InternetHandle connection = ClientConnect(session, server, folder);
    if (!connection) return false;
    bool ok = call(connection);
    if (!ok) std::fprintf(stderr, "client call failed: %u\n", platform::GetLastErrorCode());
    platform::InternetCloseHandle(connection);
    return ok;
}

Measure Best(const std::vector<Measure>& runs) {
    Measure best = runs.front();
    for (const Measure& m : runs)
        if (m.Ok && (!best.Ok || m.Seconds < best.Seconds)) best = m;
    return best;
}

void Print(const char* what, double amount, const char* unit, const Measure& client,
           const Measure& curl) {
    double clientRate = amount / client.Seconds, curlRate = amount / curl.Seconds;
    std::printf(
        "%-10s client %9.1f %s (%6.3f s, %2zu commands)   curl %9.1f %s (%6.3f s, "
        "%2zu commands)   throughput ratio %.2fx%s\n",
        what, clientRate, unit, client.Seconds, client.Commands, curlRate, unit, curl.Seconds,
        curl.Commands, clientRate / curlRate, client.Ok && curl.Ok ? "" : "  (FAILED)");
}

}  // namespace

int main(int argc, char** argv) {
    size_t mib = argc > 1 ? size_t(std::atol(argv[1])) : 256;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (access("/usr/sbin/vsftpd", X_OK) != 0 || access("/usr/bin/curl", X_OK) != 0) {
        std::printf("needs /usr/sbin/vsftpd and /usr/bin/curl\n");
        return 1;
    }
    Vsftpd server;
    if (!server.Start()) {
        std::printf("vsftpd did not start\n");
        return 1;
    }
    std::string local = server.Folder + "/local";
    fs::create_directories(local);
    std::string source = local + "/source.bin";
    {
        std::vector<char> block(1024 * 1024);
        std::mt19937 random(42);
        std::ofstream out(source, std::ios::binary);
        for (size_t i = 0; i < mib; ++i) {
            for (char& c : block) c = char(random());
            out.write(block.data(), std::streamsize(block.size()));
        }
    }
    fs::create_directories(server.Pub + "/list");
    for (int i = 0; i < 5000; ++i)
        std::ofstream(server.Pub + "/list/file-" + std::to_string(i) + ".dat") << i;

    platform::InternetHandle session = platform::InternetOpen("VelCopyBench");
    std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port) + "/pub/";
    std::vector<Measure> clientUp, curlUp, clientDown, curlDown, clientList, curlList;
    size_t listed = 0;
    for (int round = 0; round < rounds; ++round) {
        clientUp.push_back(Run(server, [&] {
            return ClientCall(session, server, "/pub", [&](platform::InternetHandle c) {
                return platform::FtpPutFile(c, source, "client.bin",
                                            platform::FtpTransferTypeBinary, 2);
            });
        }));
        curlUp.push_back(
            Run(server, [&] { return Shell("curl -s -S -T " + source + " " + url + "curl.bin"); }));
        clientDown.push_back(Run(server, [&] {
            return ClientCall(session, server, "/pub", [&](platform::InternetHandle c) {
                return platform::FtpGetFile(c, "client.bin", local + "/client.out", false,
                                            platform::FtpTransferTypeBinary, 4);
            });
        }));
        curlDown.push_back(Run(server, [&] {
            return Shell("curl -s -S -o " + local + "/curl.out " + url + "curl.bin");
        }));
        clientList.push_back(Run(server, [&] {
            return ClientCall(session, server, "/pub/list", [&](platform::InternetHandle c) {
                platform::FindData entry;
                platform::InternetHandle find = platform::FtpFindFirstFile(c, "", entry, 0, 3);
                if (!find) return false;
                listed = 1;
                while (platform::InternetFindNextFile(find, entry)) ++listed;
                platform::InternetCloseHandle(find);
                return true;
            });
        }));
        curlList.push_back(Run(server, [&] {
            return Shell("curl -s -S -o " + local + "/list.txt " + url + "list/");
        }));
    }
    platform::InternetCloseHandle(session);
    bool same = Shell("cmp -s " + source + " " + local + "/client.out");
    std::printf(
        "vsftpd on 127.0.0.1:%u, %zu MiB file, best of %d rounds; commands include "
        "login and QUIT\n",
        server.Port, mib, rounds);
    Print("upload", double(mib), "MiB/s", Best(clientUp), Best(curlUp));
    Print("download", double(mib), "MiB/s", Best(clientDown), Best(curlDown));
    Print("list 5000", 5000.0, "entries/s", Best(clientList), Best(curlList));
    std::printf("client listing returned %zu entries; downloaded copy %s the source\n", listed,
                same ? "matches" : "DIFFERS FROM");
    return 0;
}
