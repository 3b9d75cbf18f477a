#pragma once
// Turning the lines of an FTP LIST reply into find records. Pure functions: no
// sockets, no clock (the caller passes the current time), no locale.
//
// Known forms: UNIX "ls -l" (with or without group, numeric owners, device files,
// links, ACL marks, times "Mmm dd hh:mm" or "Mmm dd  yyyy") as sent by vsftpd,
// ProFTPD, pure-ftpd, pyftpdlib, busybox and FileZilla Server; and the DOS/IIS form
// ("06-01-26  12:30PM  <DIR>  name", 2- or 4-digit years, 12- or 24-hour clock).
//
// A record holds: Name exactly as listed after the single blank that follows the
// time field (leading, inner and trailing blanks kept; a link gives the part before
// " -> "); Attributes 0x10 folder, 0x01 read-only (UNIX: the owner has no write
// permission), 0x02 hidden (a name beginning with "." other than "." and ".."),
// 0x80 for a plain file with none of those; the size halves; LastWriteTime the
// listed clock time as a file time without any time-zone change, CreationTime and
// LastAccessTime equal to it. "." and ".." are returned when the server lists them;
// names holding "/" or NUL are returned unchanged (the caller decides).

#include <string>
#include <vector>

#include "common/DateTime.h"
#include "platform/FindData.h"

// One listing line (without its line end). false: not an entry ("total 12", blank,
// or a line of no known form); entry is then unspecified. A UNIX date without a
// year is put in now's year, or in the year before when that would make it later
// than now by more than two days (a server's clock may run ahead of ours by up to
// 26 hours of time-zone difference). now is the local calendar time of the
// machine and must be a valid time.
bool ParseListingLine(const std::string& line, const CalendarTime& now, platform::FindData& entry);

// Every entry of a listing, in the order listed; lines end in CR LF or LF.
std::vector<platform::FindData> ParseListing(const std::string& text, const CalendarTime& now);
