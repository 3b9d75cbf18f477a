#pragma once
// Internal to the program's own FTP client: the object behind a session handle. It holds
// what connections opened through it start with: the time limits and the status
// callback.

#include <string>

#include "internet/client/HandleTable.h"

namespace platform::ftpclient {

class SessionObject : public HandleObject {
public:
    SessionObject(InternetHandle id, std::string agent)
        : HandleObject(HandleKind::Session, id, 0), Agent(std::move(agent)) {}

    const std::string Agent;
    TimeLimits Limits;
};

}  // namespace platform::ftpclient
