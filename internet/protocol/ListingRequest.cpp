#include "internet/protocol/ListingRequest.h"

#include "common/ErrorCodes.h"

namespace ftpprotocol {

namespace {

// A refusal that may mean "this request is not understood" rather than "this
// folder cannot be listed now".
bool RefusesTheRequest(const ListingAnswer& answer) {
    return answer.Error == ErrorCode::InternetExtendedError &&
           (answer.Code == 450 || answer.Code >= 500);
}

}  // namespace

const char* ListingRequest::FirstCommand() const {
    return PlainOnly ? "LIST" : "LIST -a";
}

ListingRequest::Step ListingRequest::AfterFirst(const ListingAnswer& answer) {
    if (PlainOnly) return answer.Error == 0 ? Step::Take : Step::Fail;
    if (answer.Error == 0) {
        if (answer.Entries > 0 && !answer.OnlyDashA) {
            DashAListed = true;
            return Step::Take;
        }
        return answer.Entries == 0 && DashAListed ? Step::Take : Step::ListPlainly;
    }
    return RefusesTheRequest(answer) ? Step::ListPlainly : Step::Fail;
}

void ListingRequest::AfterPlain(const ListingAnswer& first, const ListingAnswer& plain) {
    if (PlainOnly || plain.Error != 0) return;
    bool refused = first.Error == ErrorCode::InternetExtendedError && first.Code >= 500;
    bool ignored = first.Error == 0 && plain.Entries > 0;
    if (refused || ignored) PlainOnly = true;
}

}  // namespace ftpprotocol
