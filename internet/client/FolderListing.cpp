#include "internet/client/FolderListing.h"

#include "common/DateTime.h"
#include "common/ErrorCodes.h"
#include "internet/client/DataTransfer.h"
#include "internet/client/FtpTransfers.h"
#include "internet/protocol/ListingEnd.h"
#include "internet/protocol/ListingParser.h"
#include "internet/protocol/ListingReader.h"
#include "platform/LocalClock.h"

namespace platform::ftpclient {

using ftpprotocol::FindRecordStore;
using ftpprotocol::JudgeListingEnd;
using ftpprotocol::ListingAnswer;
using ftpprotocol::ListingEnd;
using ftpprotocol::ListingReader;
using ftpprotocol::ListingRequest;
using ftpprotocol::ParseListingLine;
using ftpprotocol::ParseMlsdListingLine;

namespace {

bool SelectsAll(const std::string& mask) {
    return mask.empty() || mask == "*" || mask == "*.*";
}

// One listing request, read into records as it arrives. A listing counts as read
// to its end only when its last line ended and the closing reply says nothing
// against it.
ListingAnswer ListOnce(FtpConnection& connection, const std::string& command,
                       const std::string& mask, ListingReader::LineParser parser,
                       FindRecordStore& records) {
    ListingAnswer answer;
    bool firstIsDashA = false;
    ListingReader reader(
        DecodeDateTime(CurrentLocalDateTime()),
        [&](FindData& record) {
            if (answer.Entries++ == 0) firstIsDashA = record.Name == "-a";
            if (SelectsAll(mask) || MaskMatches(mask, record.Name)) records.Append(record);
        },
        ListingLimit, ListingLineLimit, parser);
    DataTransfer transfer(connection);
    uint32_t error = transfer.Start(command);
    if (error == 0) {
        error = transfer.ReceiveAll([&](const char* data, size_t size) -> uint32_t {
            bool reading = reader.Feed(data, size) == ListingReader::Status::Reading;
            return reading ? 0 : ErrorCode::InternetInvalidServerResponse;
        });
        const ListingReader::Status end = error == 0 ? reader.Finish() : ListingReader::Status::Reading;
        if (error == 0 && end != ListingReader::Status::Reading &&
            end != ListingReader::Status::Unterminated)
            error = ErrorCode::InternetInvalidServerResponse;
        if (error != 0) {
            transfer.Abandon();
        } else {
            error = transfer.Finish();
            // The data connection ended in the middle of a line: cut off, however
            // the server reports it.
            if (error == 0 && end == ListingReader::Status::Unterminated)
                error = ErrorCode::InternetConnectionAborted;
        }
    }
    if (error == 0) {
        switch (JudgeListingEnd(transfer.ClosingReply().Text)) {
            case ListingEnd::Failed:
                error = ErrorCode::AccessDenied;
                break;
            case ListingEnd::Truncated:
                answer.Truncated = true;
                break;
            case ListingEnd::Complete:
                break;
        }
    }
    answer.Error = error;
    answer.Code = transfer.RefusalCode();
    answer.OnlyDashA = answer.Entries == 1 && firstIsDashA;
    if (error != 0) records = FindRecordStore();
    return answer;
}

}  // namespace

uint32_t ListWorkingDirectory(FtpConnection& connection, const std::string& mask,
                              FindRecordStore& records, bool& truncated) {
    ListingRequest& request = connection.Listing;
    ListingAnswer first =
        ListOnce(connection, request.FirstCommand(), mask, ParseListingLine, records);
    truncated = first.Truncated;
    if (request.AfterFirst(first) != ListingRequest::Step::ListPlainly) return first.Error;
    records = FindRecordStore();
    ListingAnswer plain = ListOnce(connection, "LIST", mask, ParseListingLine, records);
    request.AfterPlain(first, plain);
    truncated = plain.Truncated;
    return plain.Error;
}

uint32_t ListWorkingDirectoryByFacts(FtpConnection& connection, const std::string& mask,
                                     FindRecordStore& records, bool& truncated) {
    ListingAnswer answer = ListOnce(connection, "MLSD", mask, ParseMlsdListingLine, records);
    truncated = answer.Truncated;
    return answer.Error;
}

}  // namespace platform::ftpclient
