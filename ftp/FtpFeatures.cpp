// What the server offers, asked once after the first login (FEAT), and what
// every new connection is then told: the listing facts the device reads, where
// the server does not send them unasked.

#include "ftp/FtpStorage.h"
#include "ftp/ServerFeatures.h"

void FtpStorageDevice::PrepareConnection() {
    if (!FeaturesKnown) LearnFeatures();
    if (!ListsByFacts || MlstFactsToAsk.empty()) return;
    Watched([&] { platform::FtpCommand(Connection, "OPTS MLST " + MlstFactsToAsk, 0); });
}

void FtpStorageDevice::LearnFeatures() {
    FeaturesKnown = true;
    Watched([&] { platform::FtpCommand(Connection, "FEAT", 0); });
    const ServerFeatures features = ReadFeatReply(LastResponse());
    ListsByFacts = features.Mlsd;
    MlstFactsToAsk = features.MlstFactsToAsk;
    if (features.OffersTls && Scheme == FtpScheme::Plain && ServerAcceptsTls()) WarnOfferedTls();
    // A reply that could not be read (or none) leaves MFMT to be tried first.
    if (features.Listed && !features.Mfmt) TimeWay = TimeSetting::SiteUtime;
}
