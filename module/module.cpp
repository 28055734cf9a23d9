// The module is assembled from the layer libraries. This file gives the
// shared object a translation unit of its own and connects the layers as the
// module loads: the password box fills the control's hook table before the
// browser can make its first call.
#include "entry/install.h"

namespace {

const bool hooksInstalled = (installEntryHooks(), true);

}  // namespace
