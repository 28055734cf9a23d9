// Test seam of the Gestalt stand-in: the OS version it reports, or failure.
#pragma once

#include "CoreServices/Gestalt.h"

// The version Gestalt reports from now on.
void GestaltSetSystemVersion(SInt32 major, SInt32 minor, SInt32 bugFix);
// While failing is true every Gestalt call answers gestaltUnknownErr.
void GestaltSetFailing(bool failing);
// Back to 10.12.6, not failing.
void GestaltResetForTesting();
