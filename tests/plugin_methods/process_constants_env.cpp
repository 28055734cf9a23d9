// Makes the module's process-wide constants before any test counts objects.
#include "tests/plugin/process_constants.h"

namespace {
const ::testing::Environment* const kConstants =
    ::testing::AddGlobalTestEnvironment(new ProcessConstantsEnvironment);
}  // namespace
