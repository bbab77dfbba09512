#pragma once

namespace velnorix {

// Registers the resources compiled into the program (the alert sound). A static library's
// resources are not registered on their own; calling this more than once does no harm.
void RegisterProgramResources();

} // namespace velnorix
