#include "plugin/hooks.h"

EntryHooks g_entryHooks = {};
