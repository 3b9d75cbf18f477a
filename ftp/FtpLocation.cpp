#include "ftp/FtpLocation.h"

#include <cstdio>

#include "common/StringUtils.h"

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// The location after its scheme and the separators that follow the scheme.
std::string AfterScheme(const std::string& location) {
    size_t schemeLength = 0;
    LocationScheme(location, &schemeLength);
    std::string rest = location.substr(schemeLength);
    size_t start = 0;
    while (start < rest.size() && (rest[start] == ':' || IsSeparator(rest[start]))) ++start;
    return rest.substr(start);
}

size_t FirstSeparator(const std::string& text) {
    return text.find_first_of("/\\");
}

// The leading digits of text as a port: 0 when there are none; above 65535 when
// they name a larger number (however many digits there are).
uint32_t LeadingNumber(const std::string& text, std::string& digits) {
    digits.clear();
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        digits += c;
        value = value > 100000 ? value : value * 10 + uint32_t(c - '0');
    }
    return value;
}

}  // namespace

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            decoded += char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

}  // namespace

FtpScheme LocationScheme(const std::string& location, size_t* length) {
    static const struct {
        const char* Prefix;
        FtpScheme Scheme;
    } schemes[] = {{"ftp:", FtpScheme::Plain},
                   {"ftpes:", FtpScheme::ExplicitTls},
                   {"ftps:", FtpScheme::ImplicitTls}};
    for (const auto& scheme : schemes) {
        if (StartsWith(location, scheme.Prefix, true)) {
            if (length) *length = std::string(scheme.Prefix).size();
            return scheme.Scheme;
        }
    }
    if (length) *length = 0;
    return FtpScheme::None;
}

bool NamesFtpServer(const std::string& location) {
    size_t length = 0;
    return LocationScheme(location, &length) != FtpScheme::None &&
           location.compare(0, length, LowerAscii(location.substr(0, length))) == 0;
}

FtpLocationLogin SplitFtpLogin(const std::string& location) {
    FtpLocationLogin login;
    login.Location = location;
    size_t start = 0;
    if (LocationScheme(location, &start) == FtpScheme::None) return login;
    while (start < location.size() && IsSeparator(location[start])) ++start;
    const size_t end = location.find_first_of("/\\", start);
    const std::string server = location.substr(start, end == std::string::npos ? end : end - start);
    const size_t at = server.rfind('@');
    if (at == std::string::npos) return login;
    const std::string userInfo = server.substr(0, at);
    const size_t colon = userInfo.find(':');
    login.UserName = PercentDecoded(userInfo.substr(0, colon));
    login.HasUserName = true;
    if (colon != std::string::npos) {
        login.Password = PercentDecoded(userInfo.substr(colon + 1));
        login.HasPassword = true;
    }
    login.Location = location.substr(0, start) + server.substr(at + 1) +
                     (end == std::string::npos ? "" : location.substr(end));
    return login;
}

FtpServerAddress ParseFtpServer(const std::string& location) {
    std::string rest = AfterScheme(location);
    std::string server = rest.substr(0, FirstSeparator(rest));
    FtpServerAddress address;
    address.Scheme = LocationScheme(location);
    if (address.Scheme == FtpScheme::None) address.Scheme = FtpScheme::Plain;
    if (address.Scheme == FtpScheme::ImplicitTls) address.Port = DefaultImplicitTlsPort;
    size_t colon = server.find(':');
    address.Host = server.substr(0, colon);
    if (colon == std::string::npos) return address;
    uint32_t port = LeadingNumber(server.substr(colon + 1), address.PortText);
    if (port > 65535) {
        address.PortTooLarge = true;
    } else if (port > 0) {
        address.Port = uint16_t(port);
    }
    return address;
}

std::string RemotePath(const std::string& location) {
    std::string rest;
    if (LocationScheme(location) != FtpScheme::None) {
        rest = AfterScheme(location);
        size_t separator = FirstSeparator(rest);
        rest = separator == std::string::npos ? "" : rest.substr(separator);
    } else {
        size_t separator = FirstSeparator(location);
        rest = separator == std::string::npos ? "" : location.substr(separator);
    }
    std::string path;
    for (char c : rest) {
        if (!IsSeparator(c)) {
            path += c;
        } else if (!path.empty() && path.back() != '/') {
            path += '/';
        }
    }
    if (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

std::string ServerDirectory(const std::string& rootDir, const std::string& remotePath) {
    if (!remotePath.empty()) return rootDir + "/" + remotePath;
    return rootDir.empty() ? "/" : rootDir;
}

bool SplitParent(const std::string& path, std::string& parent, std::string& name) {
    parent = path;
    name = TakeLastWord(parent, "/\\");
    return !name.empty();
}

std::string JoinFolderAndName(const std::string& folder, const std::string& name) {
    if (name.empty()) return folder;
    if (folder.empty()) return name;
    if (IsSeparator(folder.back())) return folder + name;
    return folder + "/" + name;
}

bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

std::string PrintableFtpName(const std::string& name) {
    std::string shown;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", unsigned(c));
            shown += buffer;
        } else {
            shown += char(c);
        }
    }
    return shown;
}
