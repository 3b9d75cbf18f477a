#pragma once
// Internal to the POSIX FTP client: the object behind a session handle. It holds
// what connections opened through it start with: the time limits and the status
// callback.

#include <string>

#include "internet/posix/HandleTable.h"

namespace platform::posix {

class SessionObject : public HandleObject {
public:
    SessionObject(InternetHandle id, std::string agent)
        : HandleObject(HandleKind::Session, id, 0), Agent(std::move(agent)) {}

    const std::string Agent;
    TimeLimits Limits;
};

}  // namespace platform::posix
