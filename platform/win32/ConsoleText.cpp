#include "platform/ConsoleText.h"

#include <windows.h>

namespace korvane {

void useUtf8Console() {
    // Fails harmlessly without a console (a service, output redirected by a detached parent).
    ::SetConsoleOutputCP(CP_UTF8);
}

}  // namespace korvane
