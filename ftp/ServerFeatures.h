#pragma once
// What a server's FEAT reply offers that the device uses. Pure.

#include <string>

struct ServerFeatures {
    bool Listed = false;  // the reply listed features: what it leaves out is not offered
    bool Mlsd = false;    // MLST, and with it MLSD (RFC 3659)
    bool Mfmt = false;
    bool OffersTls = false;  // AUTH TLS (RFC 4217)
    // The facts to ask for with "OPTS MLST" on every connection, when the server
    // offers some that the device reads (type, size, modify, perm, UNIX.mode) but
    // does not send them unasked (no "*" after them); empty when it sends all.
    std::string MlstFactsToAsk;
};

// A reply other than 211 offers nothing.
ServerFeatures ReadFeatReply(const std::string& reply);
