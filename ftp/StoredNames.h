#pragma once
// Names a server may store a file under other than the one it was given. Some
// servers replace what they do not take in a name rather than refuse it
// (Pure-FTPd stores " lead.txt" as "_lead.txt", "trail.txt " as "trail.txt_",
// a tab as "_"). Pure functions.

#include <string>

// The name holds what such servers replace: a control character, or a blank at
// its start or end.
bool MayBeStoredUnderAnotherName(const std::string& name);

// `stored` is what a server made of `asked`: the same but for characters that
// MayBeStoredUnderAnotherName looks for, each replaced by one other character,
// or `asked` without its blanks at the start and end.
bool ResemblesStoredName(const std::string& asked, const std::string& stored);
