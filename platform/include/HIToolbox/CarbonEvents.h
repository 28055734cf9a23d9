#pragma once

typedef double EventTime;  // seconds

// Seconds since the system started.
EventTime GetCurrentEventTime();
