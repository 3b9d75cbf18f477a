#pragma once
// The program's error codes. They are the Windows system error codes on every
// platform, plus the 12000-12999 codes of the Internet (FTP) client, so that
// messages and decisions read the same wherever the program runs.

#include <cstdint>

namespace ErrorCode {
constexpr uint32_t Success = 0;
constexpr uint32_t InvalidFunction = 1;
constexpr uint32_t FileNotFound = 2;
constexpr uint32_t PathNotFound = 3;
constexpr uint32_t TooManyOpenFiles = 4;
constexpr uint32_t AccessDenied = 5;
constexpr uint32_t InvalidHandle = 6;
constexpr uint32_t NotEnoughMemory = 8;
constexpr uint32_t InvalidData = 13;
constexpr uint32_t OutOfMemory = 14;
constexpr uint32_t NotSameDevice = 17;
constexpr uint32_t NoMoreFiles = 18;
constexpr uint32_t WriteProtect = 19;
constexpr uint32_t NotReady = 21;
constexpr uint32_t SharingViolation = 32;
constexpr uint32_t LockViolation = 33;
constexpr uint32_t HandleEof = 38;
constexpr uint32_t NotSupported = 50;
constexpr uint32_t BadNetPath = 53;
constexpr uint32_t NetworkBusy = 54;
constexpr uint32_t UnexpectedNetworkError = 59;
constexpr uint32_t BadNetName = 67;
constexpr uint32_t FileExists = 80;
constexpr uint32_t InvalidParameter = 87;
constexpr uint32_t BrokenPipe = 109;
constexpr uint32_t DiskFull = 112;
constexpr uint32_t InvalidName = 123;
constexpr uint32_t DirNotEmpty = 145;
constexpr uint32_t Busy = 170;
constexpr uint32_t AlreadyExists = 183;
constexpr uint32_t FilenameExcedRange = 206;
constexpr uint32_t DirectoryInvalid = 267;
constexpr uint32_t MoreData = 234;
constexpr uint32_t CantResolveFilename = 1921;
constexpr uint32_t LogonFailure = 1326;
constexpr uint32_t IoDevice = 1117;

// Internet client codes.
constexpr uint32_t InternetOutOfHandles = 12001;
constexpr uint32_t InternetTimeout = 12002;
constexpr uint32_t InternetExtendedError = 12003;
constexpr uint32_t InternetInternalError = 12004;
constexpr uint32_t InternetInvalidUrl = 12005;
constexpr uint32_t InternetUnrecognizedScheme = 12006;
constexpr uint32_t InternetNameNotResolved = 12007;
constexpr uint32_t InternetProtocolNotFound = 12008;
constexpr uint32_t InternetInvalidOption = 12009;
constexpr uint32_t InternetBadOptionLength = 12010;
constexpr uint32_t InternetOptionNotSettable = 12011;
constexpr uint32_t InternetShutdown = 12012;
constexpr uint32_t InternetIncorrectUserName = 12013;
constexpr uint32_t InternetIncorrectPassword = 12014;
constexpr uint32_t InternetLoginFailure = 12015;
constexpr uint32_t InternetInvalidOperation = 12016;
constexpr uint32_t InternetOperationCancelled = 12017;
constexpr uint32_t InternetIncorrectHandleType = 12018;
constexpr uint32_t InternetIncorrectHandleState = 12019;
constexpr uint32_t InternetCannotConnect = 12029;
constexpr uint32_t InternetConnectionAborted = 12030;
constexpr uint32_t InternetConnectionReset = 12031;
constexpr uint32_t FtpTransferInProgress = 12110;
constexpr uint32_t FtpDropped = 12111;
constexpr uint32_t FtpNoPassiveMode = 12112;
// The program's own: the server refused to secure the connection (AUTH TLS,
// PBSZ or PROT answered with an error), so nothing more is sent to it.
constexpr uint32_t FtpTlsRefused = 12113;
// FTP over TLS is not part of this build of the client.
constexpr uint32_t FtpTlsNotAvailable = 12114;
// The server's certificate is not trusted (its chain, its name, or a pinned
// fingerprint it does not have); the thread's last response says which.
constexpr uint32_t InternetCertificateNotTrusted = 12045;
constexpr uint32_t InternetInvalidServerResponse = 12152;
constexpr uint32_t InternetSecurityChannelError = 12157;  // TLS handshake or record failed
constexpr uint32_t InternetDisconnected = 12163;
}  // namespace ErrorCode
