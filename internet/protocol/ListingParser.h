#pragma once
// Turning the lines of an FTP listing (LIST, MLSD, or a STAT reply) into find
// records. Pure functions: no sockets, no clock (the caller passes the current
// time), no locale.
//
// Known forms: UNIX "ls -l" (with or without group, numeric owners, device files,
// links, ACL marks, times "Mmm dd hh:mm" or "Mmm dd  yyyy") as sent by vsftpd,
// ProFTPD, pure-ftpd, pyftpdlib, busybox and FileZilla Server; and the DOS/IIS form
// ("06-01-26  12:30PM  <DIR>  name", 2- or 4-digit years, 12- or 24-hour clock).
//
// A record holds: Name exactly as listed after the single blank that follows the
// time field (leading, inner and trailing blanks kept; a link gives the part before
// " -> "); Attributes 0x10 folder, 0x400 a symbolic link (UNIX type "l", with the
// link's own size and time), 0x01 read-only (UNIX: the owner has no write
// permission), 0x02 hidden (a name beginning with "." other than "." and ".."),
// 0x80 for a plain file with none of those; the size halves; LastWriteTime the
// listed clock time as a file time without any time-zone change, CreationTime and
// LastAccessTime equal to it. "." and ".." are returned when the server lists them;
// names holding "/" or NUL are returned unchanged (the caller decides).

#include <string>
#include <string_view>
#include <vector>

#include "common/DateTime.h"
#include "platform/FindData.h"

namespace ftpprotocol {

// One listing line (without its line end). false: not an entry ("total 12", blank,
// or a line of no known form); entry is then unspecified. A UNIX date without a
// year is put in now's year, or in the year before when that would make it later
// than now by more than two days (a server's clock may run ahead of ours by up to
// 26 hours of time-zone difference). now is the local calendar time of the
// machine and must be a valid time.
bool ParseListingLine(const std::string& line, const CalendarTime& now, platform::FindData& entry);

// Every entry of a listing, in the order listed; lines end in CR LF or LF.
std::vector<platform::FindData> ParseListing(const std::string& text, const CalendarTime& now);

// One line of a machine-readable listing (MLSD, RFC 3659: "type=file;size=6;
// modify=20261208053500; name"). Name as listed after the blank that ends the
// facts ("." and ".." for the types cdir and pdir, whatever name the server gives
// them); Attributes 0x10 for dir/cdir/pdir, 0x400 for a symbolic link (ProFTPD's
// OS.unix=symlink, Pure-FTPd's OS.unix=slink:...), 0x40 for any other type, 0x01
// when the owner may not write (UNIX.mode, else a file's perm without "w"),
// 0x02/0x80 as for LIST; the size of a file; LastWriteTime the modify fact (UTC,
// to the millisecond), 1899-12-30 when there is none. now is not used; it is
// there so that both line forms can stand for each other. false: not a line of
// this form.
bool ParseMlsdListingLine(const std::string& line, const CalendarTime& now,
                          platform::FindData& entry);

// A time of MDTM and of MLSD's modify fact: "YYYYMMDDhhmmss" with an optional
// fraction ".s..." (milliseconds kept), in UTC. false for anything else.
bool ParseFtpTimestamp(std::string_view text, CalendarTime& time);

// The entries of a STAT reply that lists a folder over the control connection
// (every line between the first and the last, one leading blank dropped; the
// first and last carry the reply code), parsed as LIST lines.
std::vector<platform::FindData> ParseStatusListing(const std::string& reply,
                                                   const CalendarTime& now);

}  // namespace ftpprotocol
