// The calls of internet/InternetClient.h on POSIX: the program's own client
// (internet/client/OwnClient.h), always online.

#include <openssl/crypto.h>

#include "internet/client/OwnClient.h"

namespace platform {

namespace own = ftpclient;

InternetHandle InternetOpen(const std::string& agent) {
    return own::InternetOpen(agent);
}

bool InternetCloseHandle(InternetHandle handle) {
    return own::InternetCloseHandle(handle);
}

bool InternetSetOption(InternetHandle handle, uint32_t option, uint32_t value) {
    return own::InternetSetOption(handle, option, value);
}

bool InternetQueryOption(InternetHandle handle, uint32_t option, uint32_t& value) {
    return own::InternetQueryOption(handle, option, value);
}

bool InternetSetStatusCallback(InternetHandle handle, InternetStatusCallback callback) {
    return own::InternetSetStatusCallback(handle, std::move(callback));
}

bool InternetGetConnectedState(uint32_t& flags, std::string& connectionName) {
    flags = InternetConnectionLan;
    connectionName.clear();
    return true;
}

uint32_t InternetAttemptConnect() {
    return 0;
}

bool InternetGetLastResponseInfo(uint32_t& error, std::string& response) {
    return own::InternetGetLastResponseInfo(error, response);
}

bool InternetOffersTls() {
    return true;
}

void InternetThreadDone() {
    OPENSSL_thread_stop();
}

InternetHandle InternetConnect(InternetHandle session, const std::string& host, uint16_t port,
                               const std::string& userName, const std::string& password,
                               uint32_t flags, uintptr_t context,
                               const InternetSecuritySettings& security) {
    return own::InternetConnect(session, host, port, userName, password, flags, context, security);
}

bool FtpSetCurrentDirectory(InternetHandle connection, const std::string& directory) {
    return own::FtpSetCurrentDirectory(connection, directory);
}

bool FtpGetCurrentDirectory(InternetHandle connection, std::string& directory) {
    return own::FtpGetCurrentDirectory(connection, directory);
}

InternetHandle FtpFindFirstFile(InternetHandle connection, const std::string& mask, FindData& entry,
                                uint32_t flags, uintptr_t context) {
    return own::FtpFindFirstFile(connection, mask, entry, flags, context);
}

bool InternetFindNextFile(InternetHandle find, FindData& entry) {
    return own::InternetFindNextFile(find, entry);
}

bool FtpPutFile(InternetHandle connection, const std::string& localPath,
                const std::string& remoteName, uint32_t transferType, uintptr_t context) {
    return own::FtpPutFile(connection, localPath, remoteName, transferType, context);
}

bool FtpGetFile(InternetHandle connection, const std::string& remoteName,
                const std::string& localPath, bool failIfExists, uint32_t transferType,
                uintptr_t context) {
    return own::FtpGetFile(connection, remoteName, localPath, failIfExists, transferType, context);
}

bool FtpGetFileSize(InternetHandle connection, const std::string& name, uint64_t& size) {
    return own::FtpGetFileSize(connection, name, size);
}

bool FtpGetFileTime(InternetHandle connection, const std::string& name, FileTime& time) {
    return own::FtpGetFileTime(connection, name, time);
}

bool FtpDeleteFile(InternetHandle connection, const std::string& name) {
    return own::FtpDeleteFile(connection, name);
}

bool FtpRenameFile(InternetHandle connection, const std::string& oldName,
                   const std::string& newName) {
    return own::FtpRenameFile(connection, oldName, newName);
}

bool FtpCreateDirectory(InternetHandle connection, const std::string& name) {
    return own::FtpCreateDirectory(connection, name);
}

bool FtpRemoveDirectory(InternetHandle connection, const std::string& name) {
    return own::FtpRemoveDirectory(connection, name);
}

bool FtpCommand(InternetHandle connection, const std::string& command, uintptr_t context) {
    return own::FtpCommand(connection, command, context);
}

}  // namespace platform
