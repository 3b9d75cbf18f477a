#pragma once
// One side of a copy: where it is and how to log in.

#include <string>

struct ConnectionOptions {
    std::string Location;  // a local or network path, or an FTP location beginning with "ftp"
    std::string UserName;
    std::string Password;
    bool UseActive = false;   // active FTP transfers wanted
    bool UsePassive = false;  // passive FTP transfers wanted
};
