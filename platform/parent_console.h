#pragma once

namespace platform {

// Lets a program built for the window system print to the console it was started from, where
// the system does not connect one by itself (a Windows GUI program). Output already redirected
// to a file or a pipe is left where it goes.
void useParentConsole();

}  // namespace platform
