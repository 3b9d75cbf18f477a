#pragma once
// The program's own FTP client: the calls of internet/InternetClient.h, with the
// same contract, over the sockets and the TLS of internet/posix/ or
// internet/win32/. The POSIX build's calls are these; the Windows build sends
// its TLS connections here and plain ones to the Windows Internet library.

#include "internet/InternetClient.h"

namespace platform::ftpclient {

// Whether handle is one of this client's, open or closed (its numbers never
// meet the Windows library's): a call on a closed one fails with
// ErrorCode::InvalidHandle here.
bool OwnsHandle(InternetHandle handle);

InternetHandle InternetOpen(const std::string& agent);
bool InternetCloseHandle(InternetHandle handle);
bool InternetSetOption(InternetHandle handle, uint32_t option, uint32_t value);
bool InternetQueryOption(InternetHandle handle, uint32_t option, uint32_t& value);
bool InternetSetStatusCallback(InternetHandle handle, InternetStatusCallback callback);
bool InternetGetLastResponseInfo(uint32_t& error, std::string& response);
InternetHandle InternetConnect(InternetHandle session, const std::string& host, uint16_t port,
                               const std::string& userName, const std::string& password,
                               uint32_t flags, uintptr_t context,
                               const InternetSecuritySettings& security);

bool FtpSetCurrentDirectory(InternetHandle connection, const std::string& directory);
bool FtpGetCurrentDirectory(InternetHandle connection, std::string& directory);
InternetHandle FtpFindFirstFile(InternetHandle connection, const std::string& mask, FindData& entry,
                                uint32_t flags, uintptr_t context);
bool InternetFindNextFile(InternetHandle find, FindData& entry);
bool FtpPutFile(InternetHandle connection, const std::string& localPath,
                const std::string& remoteName, uint32_t transferType, uintptr_t context);
bool FtpGetFile(InternetHandle connection, const std::string& remoteName,
                const std::string& localPath, bool failIfExists, uint32_t transferType,
                uintptr_t context);
bool FtpGetFileSize(InternetHandle connection, const std::string& name, uint64_t& size);
bool FtpGetFileTime(InternetHandle connection, const std::string& name, FileTime& time);
bool FtpDeleteFile(InternetHandle connection, const std::string& name);
bool FtpRenameFile(InternetHandle connection, const std::string& oldName,
                   const std::string& newName);
bool FtpCreateDirectory(InternetHandle connection, const std::string& name);
bool FtpRemoveDirectory(InternetHandle connection, const std::string& name);
bool FtpCommand(InternetHandle connection, const std::string& command, uintptr_t context);

}  // namespace platform::ftpclient
