// The system asking the program to end (SIGTERM at shutdown or logout, SIGHUP when its
// terminal goes, SIGINT from a terminal): it ends as the operator's own close does, with the
// statuses written and the log closed, only without the question.
#pragma once

#include <functional>

namespace orvane::endsignals {
// From here on those signals call `end` on the interface thread, from the event loop (a
// later call replaces it).
void install(std::function<void()> end);
}  // namespace orvane::endsignals
