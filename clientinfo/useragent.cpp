#include "clientinfo/useragent.h"

char g_uabuf[4096];
