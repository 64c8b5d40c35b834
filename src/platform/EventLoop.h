#pragma once

namespace quorvel {

// Lets the pending window messages (posted events, repaints, input) of the user-interface thread be
// handled, as a long operation does between its steps. On any other thread it does nothing: a
// generating thread has no windows of its own.
void ProcessPendingMessages();

} // namespace quorvel
