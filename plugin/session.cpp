// The session-key exchange is not built yet: the methods leave their results
// void and the server-random step changes nothing.
#include "plugin/session.h"

std::string g_rand;
std::string g_rand2;

void sessionGetOutput1(editorplugin*, NPVariant*) {}
void sessionGetOutput2(editorplugin*, NPVariant*) {}
void sessionGetOutput37(editorplugin*, NPVariant*) {}
void receiveServerRandom(editorplugin*) {}
