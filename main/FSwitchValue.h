#pragma once
// The value of /F: two whole numbers separated by a comma ("3,5"). Both must be
// given; there is no default for a missing one.

#include <cstdint>
#include <string>

// Reads both numbers. On failure gives a one-line problem that names the value
// and the part at fault, for example
//   "3," is not a valid /F value: "" is not a whole number
// and leaves first and second unchanged.
bool ReadFSwitchValue(const std::string& value, uint32_t& first, uint32_t& second,
                      std::string& problem);
