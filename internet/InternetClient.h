#pragma once
// The Internet (FTP) client, a layer of its own: sessions, FTP connections and
// listings reached through handles, in the manner of the Windows Internet library.
// The FTP device is written once against these calls. The layer's own client
// (internet/client/) speaks FTP itself (RFC 959, RFC 2428, RFC 4217): on POSIX
// for every connection, on Windows for connections secured with TLS, whose
// handles it tells from the library's; plain FTP on Windows forwards to that
// library. Below, "POSIX" stands for the own client, "Windows" for the library.
//
// Handles. Every handle (session, connection, listing, and the data handles a
// transfer creates for itself) is an opaque number; NoInternetHandle is none. A
// handle may be closed from any thread at any time. Closing a connection while a
// call is blocked on it makes that call return at once with
// ErrorCode::InternetConnectionAborted; the call's resources are released by
// whichever side finishes last, so no interleaving uses freed memory or closes a
// descriptor twice. A call on a handle that has been closed fails with
// ErrorCode::InvalidHandle. Handles are never reused, so a stale handle can never
// name a newer object.
//
// Failures. Every call returns false (or NoInternetHandle) on failure and sets the
// calling thread's last error code (platform::GetLastErrorCode). Codes, by their
// names in ErrorCode:
//   InternetTimeout: timed out (connect time limit, or the receive/send time
//     limit of a control or data connection, 5 minutes unless set otherwise; on
//     POSIX a reply must arrive whole within the receive time limit, and the
//     greeting and login together too, however steadily it trickles in),
//   InternetExtendedError: the server answered with an error reply; the whole
//     reply (every line) is then the thread's last response
//     (InternetGetLastResponseInfo),
//   InternetNameNotResolved; InternetCannotConnect: nothing accepts the connection,
//   InternetIncorrectUserName / InternetIncorrectPassword: refused by the server,
//   InternetConnectionAborted / InternetConnectionReset: the connection broke,
//   FtpTransferInProgress: another call is in progress on the connection,
//   FtpDropped: the server ended the session (421, or it closed the control
//     connection),
//   InternetInvalidServerResponse: the server's answer cannot be read: not FTP, a
//     line or reply beyond the client's caps, (POSIX) more than 8 intermediate
//     (1xx) replies to one command, a listing beyond its caps (FtpFindFirstFile),
//   NoMoreFiles: a listing found nothing; InvalidHandle: the handle is closed or
//     of the wrong kind; system codes (FileNotFound, PathNotFound, AccessDenied,
//     DiskFull, ...) for the local file of a transfer.
// The last error code and the last server response are kept per thread: a call
// leaves nothing in another thread's last error or last response.
//
// Threads. Calls on different connections run in parallel. A connection serves one
// call at a time; a second call made meanwhile from another thread fails with
// ErrorCode::FtpTransferInProgress. The status callback runs on the thread that
// makes the call (or closes the handle) that it reports.

#include <cstdint>
#include <functional>
#include <string>

#include "internet/CertificateTrust.h"
#include "platform/FindData.h"

namespace platform {

using InternetHandle = uintptr_t;
constexpr InternetHandle NoInternetHandle = 0;

// Status codes passed to the status callback.
namespace InternetStatus {
constexpr uint32_t SendingRequest = 30;         // a command is about to be sent; data being sent
constexpr uint32_t RequestSent = 31;            // the command (or data chunk) went out
constexpr uint32_t ReceivingResponse = 40;      // waiting for a reply or a data chunk
constexpr uint32_t ResponseReceived = 41;       // a reply or a data chunk arrived
constexpr uint32_t ClosingConnection = 50;      // the control connection is being closed
constexpr uint32_t ConnectionClosed = 51;       // ... and is closed
constexpr uint32_t HandleCreated = 60;          // info: InternetAsyncResult, Result = handle
constexpr uint32_t HandleClosing = 70;          // info: the InternetHandle being closed
constexpr uint32_t RequestComplete = 100;       // info: InternetAsyncResult
constexpr uint32_t IntermediateResponse = 120;  // a 1xx reply arrived
}  // namespace InternetStatus

// The information of HandleCreated and RequestComplete reports.
struct InternetAsyncResult {
    uintptr_t Result = 0;  // the new handle (HandleCreated), 1/0 success (RequestComplete)
    uint32_t Error = 0;    // 0, or the call's error code
};

// handle: the handle the report is about; context: the value given to the call.
// info points at the report's information (valid during the call only), or is null.
using InternetStatusCallback =
    std::function<void(InternetHandle handle, uintptr_t context, uint32_t status, const void* info,
                       uint32_t infoLength)>;

// Options (milliseconds) for InternetSetOption / InternetQueryOption. A session's
// values are the defaults of the connections opened through it afterwards; a
// connection's values apply to its control and data connections.
namespace InternetOption {
constexpr uint32_t ConnectTimeout = 2;  // TCP connection set-up (default 60000)
constexpr uint32_t SendTimeout = 5;     // one send that makes no progress (default 300000)
constexpr uint32_t ReceiveTimeout = 6;  // a reply or data that does not come (default 300000)
}  // namespace InternetOption

// Connected-state flags.
constexpr uint32_t InternetConnectionLan = 0x02;
constexpr uint32_t InternetConnectionOffline = 0x20;

// InternetConnect flags; FtpPutFile / FtpGetFile transfer types.
constexpr uint32_t InternetFlagPassive = 0x08000000;
constexpr uint32_t InternetFlagReload = 0x80000000;
// FtpFindFirstFile: list with MLSD (RFC 3659) instead of LIST.
constexpr uint32_t FtpFlagListByFacts = 0x00000010;
constexpr uint32_t FtpTransferTypeAscii = 1;
constexpr uint32_t FtpTransferTypeBinary = 2;

// --- Sessions -------------------------------------------------------------------

InternetHandle InternetOpen(const std::string& agent);
// Closes any handle. Closing a session does not close the connections opened
// through it. Reports HandleClosing (and, for a connection, ClosingConnection and
// ConnectionClosed) to the handle's callback, which is then removed.
bool InternetCloseHandle(InternetHandle handle);
bool InternetSetOption(InternetHandle handle, uint32_t option, uint32_t value);
bool InternetQueryOption(InternetHandle handle, uint32_t option, uint32_t& value);
// Registers (or, with an empty callback, removes) the status callback of a session
// or connection. Connections take their session's callback when they are opened.
bool InternetSetStatusCallback(InternetHandle handle, InternetStatusCallback callback);
// POSIX: always online (flags InternetConnectionLan, name empty).
bool InternetGetConnectedState(uint32_t& flags, std::string& connectionName);
// 0 (online).
uint32_t InternetAttemptConnect();

// The calling thread's last server response (every line, each ending CR LF) and
// the error code it came with. false when this thread has received none.
bool InternetGetLastResponseInfo(uint32_t& error, std::string& response);
// The description of an Internet code 12000-12999, or empty for another code.
std::string InternetErrorText(uint32_t code);

// --- FTP connections --------------------------------------------------------------

// How a connection is secured. Explicit TLS: the plain greeting, then AUTH TLS
// before anything else, the TLS handshake, PBSZ 0 and PROT P, so that the login
// and every listing and transfer are encrypted; a refusal of any of the three
// ends the attempt with ErrorCode::FtpTlsRefused (the reply is the last
// response), never a plain login. Implicit TLS: the handshake from the first
// byte, then PBSZ 0 and PROT P. Every data connection does its handshake after
// the server's 1xx reply and resumes the control connection's TLS session, as
// servers that require session reuse demand.
//
// The server's certificate is checked before anything more is sent: a
// certificate that trust does not accept fails with
// ErrorCode::InternetCertificateNotTrusted, and the last response then says why,
// with the certificate's subject and SHA-256 fingerprint. A failed handshake or a
// broken TLS record fails with ErrorCode::InternetSecurityChannelError.
enum class InternetSecurity { Plain, ExplicitTls, ImplicitTls };

struct InternetSecuritySettings {
    InternetSecurity Mode = InternetSecurity::Plain;
    CertificateTrust Trust;
};

// Whether this build's client can secure connections with TLS. Where it cannot,
// InternetConnect with a security other than Plain fails with
// ErrorCode::FtpTlsNotAvailable.
bool InternetOffersTls();

// Releases what the client keeps for the calling thread (the TLS library's
// per-thread state). A thread that is never joined calls it before it hands its
// result over, so that nothing of it still runs while the program ends.
void InternetThreadDone();

// Connects to host:port and logs in (USER, and PASS when asked for). Blocks until
// logged in or failed; the connect time limit bounds the TCP set-up, the receive
// time limit every reply. flags: InternetFlagPassive for passive data connections,
// else active. context is passed to every report of the connection.
InternetHandle InternetConnect(InternetHandle session, const std::string& host, uint16_t port,
                               const std::string& userName, const std::string& password,
                               uint32_t flags, uintptr_t context,
                               const InternetSecuritySettings& security = {});

bool FtpSetCurrentDirectory(InternetHandle connection, const std::string& directory);
// PWD; directory receives the quoted path of the 257 reply.
bool FtpGetCurrentDirectory(InternetHandle connection, std::string& directory);

// Lists the working directory. mask: empty for every entry, a wildcard pattern
// ("*", "?" matched by the client), or one exact name, which is matched against
// the parsed names (never sent to the server). The listing is read whole before
// the call returns; the find handle then holds the remaining records. Nothing to
// return fails with ErrorCode::NoMoreFiles. Reports HandleCreated with the find handle.
//
// Names beginning with "." are listed also where the server leaves them out of a
// plain listing: the client asks for them ("LIST -a") and lists the folder again
// plainly when that request is refused or answered with nothing it can read, so
// a request the server does not understand never makes a folder look empty. The
// records are those of the server's listing as it stands: "." and ".." when the
// server lists them, times and sizes as listed. Where the server shows such names
// only for "-a" this costs one listing per folder, elsewhere at most one more for
// an empty folder listed before the connection has seen "-a" list entries (and,
// once, on a server that refuses "-a").
//
// A listing is whole only as the server vouches for it. One that the server
// could not make fails: a data connection that ended in the middle of a line
// (ErrorCode::InternetConnectionAborted), a closing reply that says the server
// could not read the folder although it is positive
// (ErrorCode::AccessDenied; the reply is the last response). A closing reply
// that says the server stopped after some entries gives those entries, and the
// enumeration then ends with ErrorCode::MoreData instead of NoMoreFiles.
//
// flags: InternetFlagReload (nothing is cached on POSIX), FtpFlagListByFacts to
// list with MLSD, whose records are exact (types, sizes, times in UTC; links
// 0x400) and hold every name; a server that does not know it refuses it
// (InternetExtendedError with its 500/502 reply). Windows, plain FTP: not supported
// (ErrorCode::NotSupported).
//
// POSIX: a listing is at most 256 MiB and a line of it at most 64 KiB; beyond,
// the call fails with ErrorCode::InternetInvalidServerResponse. It costs memory
// in proportion to what it lists (the records the mask selects, about the size of
// their names), never its text.
InternetHandle FtpFindFirstFile(InternetHandle connection, const std::string& mask, FindData& entry,
                                uint32_t flags, uintptr_t context);
// The next record; false at the end, with ErrorCode::NoMoreFiles, or MoreData
// when the server said it listed only part of the folder.
bool InternetFindNextFile(InternetHandle find, FindData& entry);

// STOR of a local file under remoteName. transferType: FtpTransferTypeBinary, or
// FtpTransferTypeAscii (bare LF sent as CR LF).
bool FtpPutFile(InternetHandle connection, const std::string& localPath,
                const std::string& remoteName, uint32_t transferType, uintptr_t context);
// RETR into localPath (replaced). ASCII turns CR LF into LF. On failure the partly
// written local file is removed, and with failIfExists an existing file fails with
// ErrorCode::FileExists before anything is sent. A binary download that brings
// fewer or more bytes than the server's opening reply announced ("150 ... (N
// bytes)") fails with ErrorCode::InternetConnectionAborted: the data connection
// was cut although the server may report the transfer complete.
bool FtpGetFile(InternetHandle connection, const std::string& remoteName,
                const std::string& localPath, bool failIfExists, uint32_t transferType,
                uintptr_t context);

// SIZE of a file, in bytes as stored (the connection is put in binary type
// first when it is not). A server that cannot tell refuses (InternetExtendedError).
bool FtpGetFileSize(InternetHandle connection, const std::string& name, uint64_t& size);
// MDTM of a file: its modification time, in UTC, as the server gives it (to the
// second, or finer). InternetInvalidServerResponse for a reply that holds no time.
bool FtpGetFileTime(InternetHandle connection, const std::string& name, FileTime& time);

bool FtpDeleteFile(InternetHandle connection, const std::string& name);
bool FtpRenameFile(InternetHandle connection, const std::string& oldName,
                   const std::string& newName);
bool FtpCreateDirectory(InternetHandle connection, const std::string& name);
bool FtpRemoveDirectory(InternetHandle connection, const std::string& name);
// Sends one command that needs no data connection ("SITE CHMOD 644 name") and
// takes its reply: a 1xx-3xx reply succeeds, 4xx/5xx fails with
// ErrorCode::InternetExtendedError.
bool FtpCommand(InternetHandle connection, const std::string& command, uintptr_t context);

}  // namespace platform
