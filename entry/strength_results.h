// The strength results of the typed text as page script reads them, shared by
// both ways the password is edited.
#pragma once

class editorplugin;

// Rates the UTF-8 text (passlevel, passlevelex) into the object's strength
// classes, level and simple-pattern flag (Int32 variants). Null object:
// nothing; null text rates as empty.
void updateStrength(editorplugin* object, const char* utf8);
