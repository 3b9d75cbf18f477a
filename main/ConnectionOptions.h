#pragma once
// One side of a copy: where it is and how to log in.

#include <string>

#include "internet/CertificateTrust.h"

struct ConnectionOptions {
    std::string Location;  // a local or network path, or an FTP location (ftp:, ftpes:, ftps:)
    std::string UserName;
    std::string Password;
    bool UseActive = false;   // active FTP transfers wanted
    bool UsePassive = false;  // passive FTP transfers wanted
    platform::CertificateTrust Trust;  // /Cert: what a TLS location trusts
};
