#pragma once
// The storage device for a folder on an FTP server.
//
// The device logs in once (Connect) and then serves every operation of the
// engine over that connection, first making the operation's folder the server's
// working directory (sent only when it changes). It is built for unreliable
// links: a connection attempt is given up after the connect time-out, a blocking
// call that shows no progress for the watchdog time-out is cut off by the shared
// watchdog (HandleTimeout.h), and an operation that fails with an error a new
// connection may cure re-opens the connection ("renegotiating") and repeats
// itself. RetryState keeps those repetitions from feeding on each other:
//   0 normal; 1 a connect or a renegotiation after an error is in progress;
//   2 a retry after a time-out is in progress; 3 a retry with the other transfer
//   mode is in progress.
// An operation starts a renegotiation only when it finds 0; a repetition that
// succeeds (or any successful listing) sets it back to 0. Whatever the states
// allow, one call of the engine repeats at most twice.
//
// Messages go to the output as warnings and errors; failures also leave their
// code for LastErrorCode/LastErrorText. A listing that did not complete is an
// empty list with a code other than ErrorCode::NoMoreFiles; a complete one
// leaves ErrorCode::NoMoreFiles.
//
// Downloads land in a private folder under the system's temporary folder, made
// on the first download and removed with everything in it by the destructor.
// Names that a server lists are used only when they are single plain names.
//
// Threads: every operation runs on the main thread. The device starts one
// thread per connection attempt, and shares the watchdog thread with the other
// FTP devices (the first device makes it, the last one ends it).

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "ftp/FtpSession.h"
#include "ftp/HandleTimeout.h"
#include "output/BaseOutput.h"
#include "platform/InternetClient.h"
#include "platform/InterruptCleanup.h"
#include "storage/StorageDevice.h"

class FtpStorageDevice : public VelStorageDevice {
public:
    // Bits of SetOptions.
    static constexpr uint32_t ActiveOnly = 0x10;
    static constexpr uint32_t PassiveOnly = 0x20;

    // output receives the device's messages and must outlive it. The time-outs
    // are in seconds: the limit of one connection attempt, and how long a
    // blocking call may show no progress before the watchdog cuts it off (the
    // last device made sets the shared watchdog's limit).
    FtpStorageDevice(VelSyncBaseOutput& output, int connectTimeoutSeconds,
                     int watchdogTimeoutSeconds);
    ~FtpStorageDevice() override;
    FtpStorageDevice(const FtpStorageDevice&) = delete;
    FtpStorageDevice& operator=(const FtpStorageDevice&) = delete;

    // Adds option bits. Without PassiveOnly the first connection is active.
    void SetOptions(uint32_t bits) { Options |= bits; }

    NameCase NameCaseMode() override;
    bool SupportsTextMode() override;
    // SITE CHMOD mode name, in folder. Always true; what the server answered
    // decides SupportsChmod and is reported.
    bool Chmod(const std::string& folder, const std::string& name,
               const std::string& mode) override;
    // Reads the server (and port) from the location and logs in. false after the
    // failure has been reported.
    bool Connect(const std::string& location, const std::string& userName,
                 const std::string& password, const std::string& connectionName) override;
    bool PutFile(const std::string& localPath, const std::string& folder, const std::string& name,
                 bool binary) override;
    bool CreateFolder(const std::string& path) override;
    bool DeleteFile(const std::string& folder, const std::string& name,
                    bool reportFailure) override;
    bool RemoveFolder(const std::string& path) override;
    bool LocalCopyKeepsDate() override;
    bool SupportsChmod() override;
    bool FolderExists(const std::string& path) override;
    // Deletes a local copy that GetLocalCopy handed out; any other path is left
    // alone.
    void ReleaseLocalCopy(const std::string& localPath) override;
    uint32_t LastErrorCode() override;
    std::string LastErrorText() override;
    std::string GetLocalCopy(const std::string& folder, const std::string& name) override;
    std::unique_ptr<VelDirectoryList> ListFolder(const std::string& folder, const std::string& mask,
                                                 bool allowCached) override;
    bool RenameFile(const std::string& folder, const std::string& oldName,
                    const std::string& newName) override;
    bool SetReadOnly(const std::string& folder, const std::string& name, bool readOnly,
                     bool force) override;
    // The server's file times cannot be set: true, nothing is sent.
    bool SetFileDate(const std::string& folder, const std::string& name, double dateTime) override;

    // For tests and diagnostics.
    uint8_t CurrentRetryState() const { return RetryState; }
    bool UsesPassiveMode() const { return Passive; }
    const std::string& LoginFolder() const { return RootDir; }
    const std::string& DownloadFolder() const { return PrivateFolder; }

private:
    friend class EngineCallScope;

    // Connection and session (FtpConnect.cpp, FtpProbe.cpp).
    void SetLastErrorCode(uint32_t code) { LastError = code; }
    std::string LastResponse();
    bool IsRecoverableError();
    bool OpenConnection(bool passive, const std::string& connectionName);
    bool ReportFailedConnection(bool passive);
    VelMessageText ConnectionReport(const std::string& firstLine, const std::string& response);
    bool CheckOnline(const std::string& connectionName);
    bool OfferGoOnline();
    bool QueryCurrentDir(std::string& directory);
    std::string ProbeServer();

    // Working directory and paths (FtpPaths.cpp). askOnly: the caller only asks
    // whether the folder is there, so a server's refusal is an answer, neither
    // reported nor retried.
    bool ChangeDir(const std::string& location, bool askOnly = false);
    std::string TempFolder();

    // Listing (FtpListing.cpp).
    std::unique_ptr<VelDirectoryList> RetryFailedFind(const std::string& folder,
                                                      const std::string& mask);
    std::unique_ptr<VelDirectoryList> RetryCutListing(const std::string& folder,
                                                      const std::string& mask, uint32_t endError);
    std::unique_ptr<VelDirectoryList> ReconnectAndListAgain(const std::string& folder,
                                                            const std::string& mask, bool timedOut,
                                                            uint32_t error);
    std::unique_ptr<VelDirectoryList> ListingError(const std::string& folder, uint32_t code);
    std::unique_ptr<VelDirectoryList> FailedListing(uint32_t code);
    // Appends the records of a find, leaving out (with a warning) names that are
    // not single plain names.
    void ReadListing(platform::InternetHandle find, const platform::FindData& first,
                     const std::string& folder, VelDirectoryList& list);
    // A one-name listing that was read to its end holds the name.
    enum class NameListed { Yes, No, Unknown };
    NameListed IsNameListed(const std::string& folder, const std::string& name);

    // Transfers (FtpTransfer.cpp).
    bool RetryFailedPut(const std::string& localPath, const std::string& folder,
                        const std::string& name);
    bool Compensate(const std::string& localPath, const std::string& folder,
                    const std::string& name, const std::string& response, bool& result);
    VelMessageText MishapReport(const std::string& firstLine, const std::string& codeLine,
                                const std::string& response);
    std::string DownloadPath(const std::string& name);

    // Operations (FtpOperations.cpp).
    bool EnterParent(const std::string& path, std::string& lastComponent);
    bool RetryFailedDelete(const std::string& folder, const std::string& name, bool reportFailure);
    bool ReportFailedDelete(const std::string& path, bool reportFailure);
    // false when the command failed; an error outside acceptedCodes has then
    // been reported.
    bool SendCommand(const std::string& command, const std::string& folder,
                     std::initializer_list<uint32_t> acceptedCodes, std::string& response);

    // Messages and the bound on repetitions (FtpStorage.cpp).
    void Warn(const VelMessageText& text) { Output.Message(mcWarning, text); }
    void Fail(const VelMessageText& text) { Output.Message(mcError, text); }
    // A server's reply as a warning, each of its lines on a line of its own.
    void WarnReply(const std::string& reply) { Warn(VelMessageText::Reply("", reply)); }
    // Counts one more repetition of the engine's current call; false once it
    // has been repeated twice.
    bool MayRepeat();

    platform::InternetHandle Connection = platform::NoInternetHandle;
    uint8_t RetryState = 0;
    std::unique_ptr<TFtpPersistentInformation> Session;
    bool ChmodSupported = false;
    bool ChmodKnown = false;
    uint16_t Port = 21;
    std::string Host;
    std::string UserName;
    std::string Password;
    std::string CurrentDir;  // server directory ("/" form); empty: not known
    std::string RootDir;     // the login directory; empty for "/"
    bool Passive = false;
    uint32_t Options = 0;
    bool InCompensation = false;
    bool InSessionReopen = false;
    int ConnectTimeout;
    int WatchdogTimeout;
    VelSyncBaseOutput& Output;
    uint32_t LastError = 0;
    std::string AttemptResponse;  // what the last connection attempt left as the reply
    // The refusal of an upload that failed for good, for LastErrorText: the
    // device's own commands after it (a compensating listing) replaced the
    // client's last response. Kept until the engine's next call.
    std::string RefusalReply;

    std::shared_ptr<THandleTimeout> Watchdog;
    std::string PrivateFolder;  // empty until the first download
    uint64_t Downloads = 0;
    // An interrupted run leaves neither the download in progress (or handed out
    // and not yet released) nor the private folder behind.
    platform::RemovedOnInterrupt PrivateFolderOnInterrupt;
    platform::RemovedOnInterrupt LocalCopyOnInterrupt;
    int CallDepth = 0;  // nesting of the engine's call and the device's own
    int Repeats = 0;    // repetitions within the engine's current call
};
