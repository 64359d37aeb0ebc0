// Running the system's programs and waiting for them.
#pragma once

namespace orvelle {

// Starts `path` with `argv` (ending with a null entry) and an empty environment,
// and waits until the child has ended. A failed start leaves nothing to wait for.
void processTheCommand(const char* path, char* const argv[]);

}  // namespace orvelle
