#include "platform/posix/ftp/FolderListing.h"

#include "common/DateTime.h"
#include "platform/ErrorCodes.h"
#include "platform/LocalClock.h"
#include "platform/ftp/ListingReader.h"
#include "platform/posix/ftp/DataTransfer.h"
#include "platform/posix/ftp/FtpTransfers.h"

namespace platform::posix {

namespace {

bool SelectsAll(const std::string& mask) {
    return mask.empty() || mask == "*" || mask == "*.*";
}

// One LIST request, read into records as it arrives.
ListingAnswer ListOnce(FtpConnection& connection, const std::string& command,
                       const std::string& mask, FindRecordStore& records) {
    ListingAnswer answer;
    bool firstIsDashA = false;
    ListingReader reader(
        DecodeDateTime(CurrentLocalDateTime()),
        [&](FindData& record) {
            if (answer.Entries++ == 0) firstIsDashA = record.Name == "-a";
            if (SelectsAll(mask) || MaskMatches(mask, record.Name)) records.Append(record);
        },
        ListingLimit, ListingLineLimit);
    DataTransfer transfer(connection);
    uint32_t error = transfer.Start(command);
    if (error == 0) {
        error = transfer.ReceiveAll([&](const char* data, size_t size) -> uint32_t {
            bool reading = reader.Feed(data, size) == ListingReader::Status::Reading;
            return reading ? 0 : ErrorCode::InternetInvalidServerResponse;
        });
        if (error == 0 && reader.Finish() != ListingReader::Status::Reading)
            error = ErrorCode::InternetInvalidServerResponse;
        if (error != 0)
            transfer.Abandon();
        else
            error = transfer.Finish();
    }
    answer.Error = error;
    answer.Code = transfer.RefusalCode();
    answer.OnlyDashA = answer.Entries == 1 && firstIsDashA;
    if (error != 0) records = FindRecordStore();
    return answer;
}

}  // namespace

uint32_t ListWorkingDirectory(FtpConnection& connection, const std::string& mask,
                              FindRecordStore& records) {
    ListingRequest& request = connection.Listing;
    ListingAnswer first = ListOnce(connection, request.FirstCommand(), mask, records);
    if (request.AfterFirst(first) != ListingRequest::Step::ListPlainly) return first.Error;
    records = FindRecordStore();
    ListingAnswer plain = ListOnce(connection, "LIST", mask, records);
    request.AfterPlain(first, plain);
    return plain.Error;
}

}  // namespace platform::posix
