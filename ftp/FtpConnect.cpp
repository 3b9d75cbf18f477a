// Logging in: the location, the connection attempt with its fall-backs and
// reports, the online check, and what the device reads from the server after a
// login.

#include "common/ErrorCodes.h"
#include "ftp/ConnectThread.h"
#include "ftp/EngineCallScope.h"
#include "ftp/FtpErrors.h"
#include "ftp/FtpLocation.h"
#include "ftp/FtpStorage.h"
#include "internet/InternetOnline.h"
#include "platform/LastError.h"
#include "platform/ModalMessage.h"

namespace {

// The client's text results are cut to this size, so that no server reply can
// make a message without bounds.
constexpr size_t TextBufferSize = 32000;

// A send time-out of this value marks a connection that must never be
// renegotiated.
constexpr uint32_t NoRenegotiationMark = 0xFFFFFF00u;

// A reply as the device shows it: bounded, and without the line end that would
// end a message with an empty line.
std::string ShownResponse(std::string response) {
    if (response.size() > TextBufferSize) response.resize(TextBufferSize);
    while (!response.empty() && (response.back() == '\n' || response.back() == '\r'))
        response.pop_back();
    return response;
}

const char* const GoOnlineQuestion =
    "You are working offline. In order to publish your site you must switch to working "
    "online, this change will also affect other applications (such as Internet Explorer) that "
    "also use the Windows Internet sub system. Do you want to go online now?";

}  // namespace

bool FtpStorageDevice::Connect(const std::string& location, const std::string& userName,
                               const std::string& password, const std::string& connectionName) {
    EngineCallScope scope(*this);
    ConnectedLocation = location;
    UserName = userName;
    Password = password;
    const FtpServerAddress address = ParseFtpServer(location);
    if (address.PortTooLarge) {
        LastError = ErrorCode::InternetInvalidUrl;
        Fail("Cannot connect to " + location + ": the port " + address.PortText +
             " is not a valid port (1 to 65535).");
        return false;
    }
    Host = address.Host;
    Port = address.Port;
    Scheme = address.Scheme;
    size_t schemeLength = 0;
    LocationScheme(location, &schemeLength);
    SecuredLocation = "ftpes:" + location.substr(schemeLength);
    if (Scheme != FtpScheme::Plain && !platform::InternetOffersTls()) {
        LastError = ErrorCode::FtpTlsNotAvailable;
        Fail("Cannot connect to " + location +
             ": FTP over TLS (ftpes://, ftps://) is not available in this build.");
        return false;
    }
    // No renegotiation while the first connection is being made.
    RetryState = Recovery::Renegotiating;
    const bool result = OpenConnection((Options & PassiveOnly) != 0, connectionName);
    if (result) {
        RetryState = Recovery::None;
        uint32_t sendTimeout = 0;
        if (platform::InternetQueryOption(Connection, platform::InternetOption::SendTimeout,
                                          sendTimeout) &&
            sendTimeout == NoRenegotiationMark)
            RetryState = Recovery::Renegotiating;
    }
    return result;
}

bool FtpStorageDevice::OpenConnection(bool passive, const std::string& connectionName) {
    if (Connection != platform::NoInternetHandle) {
        platform::InternetCloseHandle(Connection);
        Connection = platform::NoInternetHandle;
    }
    if (!CheckOnline(connectionName)) return false;
    Passive = passive;
    Watchdog->Unwatch();
    platform::SetLastErrorCode(0);
    InternetConnectThread::Arguments attempt;
    attempt.Session = Session->SessionHandle;
    attempt.Host = Host;
    attempt.Port = Port;
    attempt.UserName = UserName;
    attempt.Password = Password;
    attempt.Flags = passive ? platform::InternetFlagPassive : 0;
    attempt.Context = passive ? FtpContext::PassiveConnection : FtpContext::ActiveConnection;
    attempt.Security.Mode = Scheme == FtpScheme::ExplicitTls   ? platform::InternetSecurity::ExplicitTls
                            : Scheme == FtpScheme::ImplicitTls ? platform::InternetSecurity::ImplicitTls
                                                               : platform::InternetSecurity::Plain;
    attempt.Security.Trust = Trust;
    std::string response;
    Connection = ConnectWithTimeout(attempt, ConnectTimeout, response);
    LastError = Connection != platform::NoInternetHandle ? 0 : platform::GetLastErrorCode();
    // What the server said to the attempt, on the attempt's thread; a reply this
    // thread received before (to an earlier command) says nothing about it.
    AttemptResponse = ShownResponse(std::move(response));

    if (Connection != platform::NoInternetHandle) {
        std::string directory;
        // A login folder that cannot be read on a later login stays what it was:
        // every folder of this side is below it.
        if (QueryCurrentDir(directory)) RootDir = directory == "/" ? "" : directory;
        CurrentDir.clear();
        PrepareConnection();
        return true;
    }
    if (LastError == 0 && !InSessionReopen) {
        // The attempt failed on its own thread without a time-out: try once more
        // on a new session.
        Session->CloseSession();
        InSessionReopen = true;
        Session->OpenSession();
        const bool result = OpenConnection(passive, "");
        InSessionReopen = false;
        return result;
    }
    if (LastError == ErrorCode::InternetTimeout) {
        Fail("Failed to connect to server " + Host + ". Connection timedout.");
        return false;
    }
    if (LastError == ErrorCode::InternetDisconnected)
        return OfferGoOnline() ? OpenConnection(passive, "") : false;
    if (LastError == ErrorCode::InternetNameNotResolved ||
        LastError == ErrorCode::InternetConnectionAborted) {
        Fail(ConnectionReport("Could not resolve server name " + Host + ".", AttemptResponse));
        return false;
    }
    if (IsTlsFailureCode(LastError)) {
        ReportTlsFailure();
        return false;
    }
    return ReportFailedConnection(passive);
}

bool FtpStorageDevice::ReportFailedConnection(bool passive) {
    std::string response = AttemptResponse;
    if (!response.empty()) WarnReply(response);
    if (passive) {
        Output.Message(mcExplain, "Trying active rather than passive.");
        return OpenConnection(false, "");
    }
    if (LastError == 0 && response.empty()) response = ProbeServer();
    Fail(ConnectionReport("Failed to connect to server " + Host + ".", response));
    return false;
}

// The attempt's error described with the attempt's own reply (an error reply's
// description quotes it), not with whatever this thread last received.
VelMessageText FtpStorageDevice::ConnectionReport(const std::string& firstLine,
                                                  const std::string& response) {
    return FourLineReport(firstLine, "Error code: " + std::to_string(LastError),
                          DescribeFtpError(LastError, response), response);
}

bool FtpStorageDevice::CheckOnline(const std::string& connectionName) {
    if (Session->IsConnected() &&
        (Session->ConnectedStateFlags() & platform::InternetConnectionOffline) != 0)
        return OfferGoOnline() ? CheckOnline(connectionName) : false;
    LastError = platform::InternetAttemptConnect();
    return LastError == 0;
}

bool FtpStorageDevice::OfferGoOnline() {
    Output.Message(mcInformation, "Windows Internet Offline");
    platform::ModalAnswer answer = platform::ModalAnswer::None;
    if (!platform::ShowModalMessage(GoOnlineQuestion, "Currently offline - Go online now?",
                                    platform::ModalButtons::YesNoCancelQuestion, answer) ||
        answer != platform::ModalAnswer::Yes)
        return false;
    if (!platform::InternetSwitchOnline()) return false;
    Output.Message(mcInformation, "Windows Internet switched online");
    return true;
}

bool FtpStorageDevice::QueryCurrentDir(std::string& directory) {
    std::string text;
    const bool ok = Watched([&] { return platform::FtpGetCurrentDirectory(Connection, text); });
    if (!ok) return false;
    if (text.size() > TextBufferSize) text.resize(TextBufferSize);
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    directory = text.empty() ? "/" : text;
    return true;
}

std::string FtpStorageDevice::LastResponse() {
    uint32_t code = 0;
    std::string response;
    if (!platform::InternetGetLastResponseInfo(code, response)) return "";
    return ShownResponse(std::move(response));
}

bool FtpStorageDevice::Reconnect(Recovery step, const VelMessageText& why, const char* failure) {
    Warn(why);
    RetryState = step;
    if (OpenConnection(Passive, "")) return true;
    Fail(failure);
    return false;
}

bool FtpStorageDevice::IsRecoverableError() {
    if (LastError == 0) LastError = platform::GetLastErrorCode();
    return IsRecoverableCode(LastError);
}
