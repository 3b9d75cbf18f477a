// Sessions, options, status callbacks, connections and closing: the handle calls
// of the own client (OwnClient.h) that are not FTP operations.

#include "common/ErrorCodes.h"
#include "internet/client/OwnClient.h"
#include "internet/client/FtpConnection.h"
#include "internet/client/SessionObject.h"
#include "internet/client/ThreadResponse.h"
#include "platform/LastError.h"

namespace platform::ftpclient {

namespace {

constexpr uint16_t DefaultFtpPort = 21;

bool Fail(uint32_t code) {
    SetLastErrorCode(code);
    return false;
}

// The time limits a handle carries (sessions and connections), or null.
TimeLimits* LimitsOf(HandleObject& object) {
    if (object.Kind == HandleKind::Session) return &static_cast<SessionObject&>(object).Limits;
    if (object.Kind == HandleKind::Connection) return &static_cast<FtpConnection&>(object).Limits;
    return nullptr;
}

}  // namespace

bool OwnsHandle(InternetHandle handle) {
    return IsHandleNumber(handle);
}

InternetHandle InternetOpen(const std::string& agent) {
    auto session = std::make_shared<SessionObject>(NewHandleId(), agent);
    InsertHandle(session);
    return session->Id;
}

bool InternetCloseHandle(InternetHandle handle) {
    return CloseHandleObject(handle) ? true : Fail(ErrorCode::InvalidHandle);
}

bool InternetSetOption(InternetHandle handle, uint32_t option, uint32_t value) {
    auto object = FindHandle(handle);
    if (!object) return Fail(ErrorCode::InvalidHandle);
    TimeLimits* limits = LimitsOf(*object);
    if (!limits) return Fail(ErrorCode::InternetIncorrectHandleType);
    return limits->Set(option, value) ? true : Fail(ErrorCode::InternetInvalidOption);
}

bool InternetQueryOption(InternetHandle handle, uint32_t option, uint32_t& value) {
    auto object = FindHandle(handle);
    if (!object) return Fail(ErrorCode::InvalidHandle);
    TimeLimits* limits = LimitsOf(*object);
    if (!limits) return Fail(ErrorCode::InternetIncorrectHandleType);
    return limits->Query(option, value) ? true : Fail(ErrorCode::InternetInvalidOption);
}

bool InternetSetStatusCallback(InternetHandle handle, InternetStatusCallback callback) {
    auto object = FindHandle(handle);
    if (!object) return Fail(ErrorCode::InvalidHandle);
    object->SetCallback(std::move(callback));
    return true;
}

bool InternetGetLastResponseInfo(uint32_t& error, std::string& response) {
    return GetThreadLastResponse(error, response);
}

InternetHandle InternetConnect(InternetHandle session, const std::string& host, uint16_t port,
                               const std::string& userName, const std::string& password,
                               uint32_t flags, uintptr_t context,
                               const InternetSecuritySettings& security) {
    auto owner = FindHandleAs<SessionObject>(session, HandleKind::Session);
    if (!owner) {
        Fail(ErrorCode::InvalidHandle);
        return NoInternetHandle;
    }
    auto connection = std::make_shared<FtpConnection>(
        NewHandleId(), context, (flags & InternetFlagPassive) != 0, owner->Limits);
    if (auto callback = owner->Callback()) connection->SetCallback(*callback);
    owner.reset();  // the session may be closed meanwhile; the connection does not need it
    uint32_t error =
        connection->Open(host, port == 0 ? DefaultFtpPort : port, userName, password, security);
    if (error != 0) {
        Fail(error);
        return NoInternetHandle;
    }
    InsertHandle(connection);
    return connection->Id;
}

}  // namespace platform::ftpclient
