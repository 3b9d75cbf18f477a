#pragma once
// The one failure an output cannot keep to itself: an error log that can be
// neither appended to nor created, or a log line that cannot be written. It is
// thrown out of Message and not handled by the engine or the devices, which
// must let it pass (their cleanup runs by destructors as it unwinds); the
// program body catches it, reports what() on one line and ends with exit code 1.

#include <stdexcept>
#include <string>

class VelOutputError : public std::runtime_error {
public:
    explicit VelOutputError(const std::string& what) : std::runtime_error(what) {}
};
