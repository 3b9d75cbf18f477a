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
// itself (Reconnect). RetryState (a Recovery) keeps those repetitions from
// feeding on each other: an operation starts a renegotiation only when it finds
// Recovery::None; a repetition that succeeds (or any successful listing) sets it
// back to None. Whatever the states
// allow, one call of the engine repeats at most twice.
//
// Messages go to the output as warnings and errors; failures also leave their
// code for LastErrorCode/LastErrorText. A listing that did not complete is an
// empty list with a code other than ErrorCode::NoMoreFiles; a complete one
// leaves ErrorCode::NoMoreFiles.
//
// Uploads go to a temporary name in the destination folder and take their name
// by a rename once the server's size for them is checked (FtpTransfer.cpp);
// downloads are checked against the size the folder's listing gave. A listing
// that the server could not make whole fails, one it cut short is marked so that
// nothing is deleted on its strength, and listed links are resolved (FtpLinks.cpp).
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
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ftp/FtpListingRules.h"
#include "ftp/FtpLocation.h"
#include "ftp/FtpSession.h"
#include "ftp/HandleTimeout.h"
#include "ftp/ListedSizes.h"
#include "ftp/ServerTimes.h"
#include "internet/InternetClient.h"
#include "output/BaseOutput.h"
#include "platform/InterruptCleanup.h"
#include "storage/StorageDevice.h"

// Where the recovery of the engine's current call stands.
enum class Recovery : uint8_t {
    None,           // no repetition under way
    Renegotiating,  // a connect, or a new connection after an error
    AfterTimeOut,   // a repetition after a time-out
    OtherMode,      // a repetition with the other transfer mode
};

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
    // What an ftpes:// or ftps:// location trusts in the server's certificate
    // (/Cert); the system's trusted certificates unless set.
    void SetCertificateTrust(const platform::CertificateTrust& trust) { Trust = trust; }
    // A device of its own on a new connection to the same server, logged in the
    // same way; null when the server takes no more connections.
    SiblingOpener SiblingsReportingTo(VelSyncBaseOutput* output) override;
    bool GainsFromListingAhead() override;

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
    std::string GetLocalCopyOf(const std::string& folder, const VelDirectoryEntry& listed) override;
    std::unique_ptr<VelDirectoryList> ListFolder(const std::string& folder, const std::string& mask,
                                                 bool allowCached) override;
    bool RenameFile(const std::string& folder, const std::string& oldName,
                    const std::string& newName) override;
    bool SetReadOnly(const std::string& folder, const std::string& name, bool readOnly,
                     bool force) override;
    // Gives the server file the time (local) where the server can take one; true
    // also where it cannot: the server's own time then stands.
    bool SetFileDate(const std::string& folder, const std::string& name, double dateTime) override;
    // Forgets the sizes listed for the folder.
    void FolderFinished(const std::string& path) override;

    // A plain name without CR or LF (which could not be sent as part of a command).
    bool AcceptsName(const std::string& name) override;
    // MLSD, or where the server does not know it "STAT -a .", shows the folder
    // readable and empty (FtpEmptyFolderCheck.cpp).
    bool ConfirmEmptyFolder(const std::string& path) override;
    // What a server that replaces characters in names made of the last upload's
    // name (found by its listing), when that was not the name itself.
    std::string LastStoredName() override;
    // A folder link on a server may lead anywhere, also to one of its own
    // ancestors, and the server cannot say where: it is not entered.
    bool EntersFolderLinks() override;
    // The temporary names of uploads in progress (".velcopy-" and six letters).
    bool IsTemporaryName(const std::string& name) override;

    // For tests and diagnostics.
    Recovery CurrentRetryState() const { return RetryState; }
    bool UsesPassiveMode() const { return Passive; }
    const std::string& LoginFolder() const { return RootDir; }
    const std::string& DownloadFolder() const { return PrivateFolder; }

private:
    friend class EngineCallScope;

    // Why a step of a transfer failed: the code, and the server's reply then.
    struct Failure {
        uint32_t Error = 0;
        std::string Response;
    };

    // Runs a call of the client with the watchdog on the connection: a call that
    // shows no progress for the watchdog's time is cut off.
    template <typename Call>
    auto Watched(Call call) {
        WatchScope scope(*Watchdog, Connection);
        return call();
    }

    // Connection and session (FtpConnect.cpp, FtpProbe.cpp).
    void SetLastErrorCode(uint32_t code) { LastError = code; }
    std::string LastResponse();
    bool IsRecoverableError();
    bool OpenConnection(bool passive, const std::string& connectionName);
    // A new connection for the repetition of a failed call: warns why, marks the
    // recovery under way, and reports `failure` when no connection could be had.
    bool Reconnect(Recovery step, const VelMessageText& why,
                   const char* failure = "Failed to renegotiate connection");
    bool ReportFailedConnection(bool passive);
    // A connection that could not be secured: reported, never retried in another
    // mode (FtpTls.cpp).
    void ReportTlsFailure();
    // The warning that a plain FTP server offers TLS, and the check that it
    // really does (FtpTls.cpp).
    void WarnOfferedTls();
    bool ServerAcceptsTls();
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
    void ReportTruncatedListing(const std::string& folder);
    // The server directory a device path names: the key of the listed sizes.
    std::string ServerFolder(const std::string& folder) const;
    // Links (FtpLinks.cpp): false when the listing must fail (the connection broke).
    bool ResolveLinks(const std::string& folder, VelDirectoryList& list);
    bool ResolveLink(VelDirectoryEntry& entry);
    bool LinkCutOff();
    // The second look of ConfirmEmptyFolder over the control connection.
    bool StatusListsAnEmptyFolder();
    // The records of a find, to its end; those of a listing by facts in the
    // order of their names, as LIST gives them.
    std::vector<platform::FindData> ReadRecords(platform::InternetHandle find,
                                                const platform::FindData& first, bool byFacts);
    // Appends the records, leaving out (with a warning) names that are not single
    // plain names.
    void AddListed(const std::vector<platform::FindData>& records, const std::string& folder,
                   bool byFacts, VelDirectoryList& list);
    // A listing by facts was asked of a server that does not know it.
    bool RefusedListingByFacts(uint32_t error);
    // A one-name listing that was read to its end holds the name.
    enum class NameListed { Yes, No, Unknown };
    NameListed IsNameListed(const std::string& folder, const std::string& name);

    // Features (FtpFeatures.cpp): FEAT after the first login, and the listing
    // facts asked for on each connection.
    void PrepareConnection();
    void LearnFeatures();
    // Times (FtpTimes.cpp): what the server offers, the zone of its LIST times,
    // and setting a file's time after an upload.
    ListingClock ClockOfListing(bool byFacts) const;
    // Learns the zone from the first listed file with a time of day (one MDTM).
    void LearnListingZone(const std::vector<platform::FindData>& records, double now);
    void StampUpload(const std::string& localPath, const std::string& name);
    // Sets the time of name in the working directory the way this server takes,
    // learning that way on the first call.
    void SetServerTime(const std::string& name, const FileTime& utc);

    // Transfers (FtpTransfer.cpp).
    bool PutThroughTemporary(const std::string& localPath, const std::string& folder,
                             const std::string& name, bool binary);
    bool PutDirectly(const std::string& localPath, const std::string& folder,
                     const std::string& name, bool binary);
    // One STOR into the working directory.
    bool Store(const std::string& localPath, const std::string& remoteName, bool binary,
               Failure& failure);
    Failure CurrentFailure();
    // The server holds remoteName with the size the local file gives (SIZE, or
    // the listing where SIZE is not known); sets LastStoredSize.
    bool CheckStoredSize(const std::string& localPath, const std::string& remoteName, bool binary,
                         Failure& failure);
    bool ListedSize(const std::string& remoteName, uint64_t& size);
    // The rename into place; a 553 reply (name not allowed) is ErrorCode::InvalidName.
    // cannotRename: the server refused RNFR itself.
    bool TakeName(const std::string& temporary, const std::string& name, Failure& failure,
                  bool& cannotRename);
    // DELE; true when the name is gone (also when it was never there).
    bool RemoveQuietly(const std::string& remoteName);
    void RemoveLeftovers(const std::string& folder);
    // For a name a server may change: warns and sets StoredName when the file
    // arrived under another name.
    void CheckArrivedName(const std::string& folder, const std::string& name);
    // direct: the failure was a store under the file's own name.
    bool RetryFailedPut(const std::string& localPath, const std::string& folder,
                        const std::string& name, const Failure& failure, bool direct);
    void FailUpload(const std::string& localPath, const std::string& folder,
                    const std::string& response);
    bool Compensate(const std::string& localPath, const std::string& folder,
                    const std::string& name, const Failure& failure, bool& result);
    VelMessageText MishapReport(const std::string& firstLine, const std::string& codeLine,
                                const std::string& response);
    // A download checked against `listed`, the size the engine's listing gave,
    // or else the size this device's own listing of the folder gave (when known).
    std::string Download(const std::string& folder, const std::string& name,
                         std::optional<uint64_t> listed);
    bool HasListedSize(const std::string& folder, const std::string& name,
                       std::optional<uint64_t> listed, const std::string& localPath);
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
    void Warn(const VelMessageText& text) {
        if (!Quiet) Output.Message(mcWarning, text);
    }
    void Fail(const VelMessageText& text) {
        if (!Quiet) Output.Message(mcError, text);
    }
    // A server's reply as a warning, each of its lines on a line of its own.
    void WarnReply(const std::string& reply) { Warn(VelMessageText::Reply("", reply)); }
    // Counts one more repetition of the engine's current call; false once it
    // has been repeated twice.
    bool MayRepeat();

    platform::InternetHandle Connection = platform::NoInternetHandle;
    Recovery RetryState = Recovery::None;
    std::unique_ptr<TFtpPersistentInformation> Session;
    bool ChmodSupported = false;
    bool ChmodKnown = false;
    uint16_t Port = 21;
    std::string Host;
    FtpScheme Scheme = FtpScheme::Plain;
    platform::CertificateTrust Trust;
    std::string SecuredLocation;  // the location as ftpes://, for the warning on plain FTP
    std::string ConnectedLocation;  // as Connect was given it, for OpenSibling
    bool Quiet = false;             // a sibling's connection attempt: its failure is not reported
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

    ListedSizes Listed;
    bool UploadsThroughTemporary = true;  // false once the server cannot rename
    std::string StoredName;               // see LastStoredName
    // Temporary files left by failed uploads: folder and name of each.
    std::vector<std::pair<std::string, std::string>> Leftovers;
    uint64_t LastStoredSize = 0;  // the server's size for the last upload

    bool FeaturesKnown = false;  // FEAT was asked after the first login
    bool ListsByFacts = false;   // MLSD is offered and has not been refused
    std::string MlstFactsToAsk;  // sent with OPTS MLST on every connection
    bool ZoneKnown = false;      // the zone of LIST times (UTC until it is learnt)
    int ZoneOffsetMinutes = 0;
    TimeSetting TimeWay = TimeSetting::Mfmt;  // the way being tried, or learnt
    bool TimeWayLearnt = false;
};
