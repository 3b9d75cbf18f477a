#pragma once
// The Windows Internet library's header, without the macros that would rename
// the internet layer's functions of the same names (FtpPutFile becomes
// FtpPutFileA there). The library is called by its explicit A names.

#include <windows.h>
#include <wininet.h>

#undef InternetOpen
#undef InternetConnect
#undef InternetSetOption
#undef InternetQueryOption
#undef InternetSetStatusCallback
#undef InternetGetLastResponseInfo
#undef InternetGetConnectedStateEx
#undef InternetFindNextFile
#undef FtpSetCurrentDirectory
#undef FtpGetCurrentDirectory
#undef FtpFindFirstFile
#undef FtpPutFile
#undef FtpGetFile
#undef FtpDeleteFile
#undef FtpRenameFile
#undef FtpCreateDirectory
#undef FtpRemoveDirectory
#undef FtpCommand
