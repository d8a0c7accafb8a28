// Hands the program's module windows to the frame's registry.
#pragma once

namespace korin {

// Registers the module window of every View item; called once before the main
// window is made.
void RegisterProgramModules();

}  // namespace korin
