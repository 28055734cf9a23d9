// The control's side of the session-key exchange with the bank's server: the
// client random, the server random set through input4, and the two password
// ciphertexts. The randoms are shared by every control of the process.
#pragma once

#include <string>

#include "npapi/npruntime.h"

class editorplugin;

// The last client random made by get_output37 in any control (empty at load).
extern std::string g_rand;
// The last decrypted server random followed by the g_rand of that moment
// (empty until a server random has been received).
extern std::string g_rand2;

// get_output1, get_output2, get_output37: each fills result by the string
// result rule (a fresh NPN_MemAlloc copy) or leaves it void.
void sessionGetOutput1(editorplugin* object, NPVariant* result);
void sessionGetOutput2(editorplugin* object, NPVariant* result);
void sessionGetOutput37(editorplugin* object, NPVariant* result);

// The server-random step the input4 setter runs on the text it has just stored
// in object->encryptedServerRandom, with object->rsaMode. Its only effect is
// on g_rand2.
void receiveServerRandom(editorplugin* object);
