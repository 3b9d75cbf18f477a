#pragma once
// How the engine forms paths. A root is a location with one trailing separator
// removed; a relative path is empty for the root folder and otherwise begins
// with the separator (/sub/deeper on POSIX). Pure functions.

#include <string>

// The location as a root: on Windows every "/" becomes "\" first; then one
// trailing separator goes, except from a root that is the separator alone.
std::string NormaliseRoot(const std::string& location);

// root + relative path, without doubling the separator after a root "/".
std::string FolderPath(const std::string& root, const std::string& relativePath);

// relative path + separator + name.
std::string ChildPath(const std::string& relativePath, const std::string& name);

// A listed name can be used as one path component: it is not empty, holds no
// path separator ("/" on every platform, "\" too where that is the separator)
// and no NUL, and is not "." or ".." unless it is the folder entry of that name.
bool IsUsableName(const std::string& name, bool isFolder);

// head + name, the name cut short where the two would be longer than a name may
// be (platform::MaxNameLength), never inside a UTF-8 character. The head alone
// must fit.
std::string FittedName(const std::string& head, const std::string& name);

// The name with its control bytes made visible (ShowControlCharacters).
std::string PrintableName(const std::string& name);
