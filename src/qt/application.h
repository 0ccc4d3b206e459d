#pragma once
// Runs the program on Qt: the application object, the platform, start-up and
// the event loop. Returns only if the event loop ends without shut-down.

namespace vantorel::qt {

int runApplication(int argc, char** argv);

}  // namespace vantorel::qt
