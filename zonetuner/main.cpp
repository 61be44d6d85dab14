// ZoneTuner entry: no arguments, no window; the exit code tells the installer
// whether the settings were applied (0) or could not be (-1).

#include "ZoneTuner.h"

#include <exception>

int main()
{
    try {
        return vel::zonetuner::RunZoneTuner();
    } catch (const std::exception&) {
        return -1;
    }
}
