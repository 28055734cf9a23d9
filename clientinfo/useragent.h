// The browser's user-agent text, shared by every control of the process.
#pragma once

// 4096 bytes, at most 4095 characters, always zero-terminated. Written by
// NPP_New whenever the browser offers a user agent; read by getuseragent.
extern char g_uabuf[4096];
