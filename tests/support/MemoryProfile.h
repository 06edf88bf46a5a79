#pragma once
// A profile held in memory, so tests never touch the user's settings.
#include "settings/MemoryProfile.h"

namespace vellum::test {
using vellum::MemoryProfile;
}
