// The diagnostic probe: when a login failed without any word from the server,
// the device talks to the server itself, so that the failure message can show
// what the server says (its greeting, its refusal of the user or password).

#include <chrono>
#include <thread>

#include "ftp/FtpErrors.h"
#include "ftp/FtpStorage.h"
#include "internet/TcpConversation.h"
#include "platform/LastError.h"

namespace {

constexpr uint32_t StreamTimeoutMs = 5000;
constexpr uint32_t FirstWaitMs = 1000;
constexpr uint32_t LaterWaitMs = 100;
constexpr uint32_t PauseAfterReadMs = 100;
constexpr size_t PieceSize = 513;

enum class Talk { Going, Ended, Failed };

// Reads what the server sends until it pauses: the first piece may take a
// second, later ones a tenth. replace: each piece replaces the text so far (the
// greeting), else it is appended.
Talk ReadPieces(platform::TcpConversation& tcp, bool replace, std::string& result) {
    uint32_t wait = FirstWaitMs;
    for (;;) {
        std::string piece;
        switch (tcp.Read(piece, PieceSize, wait)) {
            case platform::TcpConversation::ReadResult::NoData:
                return Talk::Going;
            case platform::TcpConversation::ReadResult::Closed:
                return Talk::Ended;
            case platform::TcpConversation::ReadResult::Failed:
                return Talk::Failed;
            case platform::TcpConversation::ReadResult::Data:
                break;
        }
        result = replace ? piece : result + piece;
        // Let the rest of a reply arrive before looking again.
        std::this_thread::sleep_for(std::chrono::milliseconds(PauseAfterReadMs));
        wait = LaterWaitMs;
    }
}

// Sends line and reads the answer; Going while the server keeps talking.
Talk SayAndListen(platform::TcpConversation& tcp, const std::string& line, std::string& result) {
    if (!tcp.Send(line + "\r\n")) return Talk::Failed;
    return ReadPieces(tcp, false, result);
}

}  // namespace

std::string FtpStorageDevice::ProbeServer() {
    Session->CloseSession();
    std::string result;
    platform::TcpConversation tcp;
    if (!tcp.Open(Host, Port, StreamTimeoutMs)) {
        result = "No FTP server.";
    } else {
        Talk talk = ReadPieces(tcp, true, result);
        if (talk == Talk::Going) talk = SayAndListen(tcp, "user " + UserName, result);
        if (talk == Talk::Going) talk = SayAndListen(tcp, "pass " + Password, result);
        if (talk == Talk::Failed)
            result += "No FTP server (" + DescribeFtpError(platform::GetLastErrorCode(), "") + ")";
    }
    tcp.Close();
    Session->OpenSession();
    // The server's own line ends would end the message with an empty line.
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}
