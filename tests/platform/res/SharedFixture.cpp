#include "platform/res/Resources.h"

// The module this library was linked into, seen from inside it.
extern "C" __attribute__((visibility("default"))) const void* ResFixtureModule()
{
    return VEL_RES_THIS_MODULE();
}
