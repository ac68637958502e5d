#include "platform/ConsoleText.h"

namespace korvane {

void useUtf8Console() {}

}  // namespace korvane
