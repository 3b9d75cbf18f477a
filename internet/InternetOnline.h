#pragma once
// Switching the system's Internet client from working offline to online, after
// the user agreed to it. The POSIX client is always online.

namespace platform {

// true when the client is online afterwards.
bool InternetSwitchOnline();

}  // namespace platform
