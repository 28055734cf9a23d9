// The process constants now live with the other shared test helpers; this
// name stays for the folders that include it from here.
#pragma once

#include "tests/support/process_constants.h"
