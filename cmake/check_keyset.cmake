# Checks a key set without configuring the project:
#   cmake -DSPC_KEYSET=/path/to/keyset -P cmake/check_keyset.cmake
include("${CMAKE_CURRENT_LIST_DIR}/keyset.cmake")
if(NOT DEFINED SPC_KEYSET)
  message(FATAL_ERROR "Pass -DSPC_KEYSET=<folder>")
endif()
spc_read_keyset("${SPC_KEYSET}" KS)
message(STATUS "Key set '${SPC_KEYSET}' is sound")
