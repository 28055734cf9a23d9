// The Core Graphics drawn box: a self-drawn masked password box with its own
// edit buffer, caret and blink timer, for browsers that hand the control a
// drawing context in each draw event.
//
// Every function takes the control's NPP and works on its PluginInstance; an
// npp without a record (or without a scriptable object where one is needed)
// makes each of them do nothing.
#pragma once

#include <cstdint>

#include "Foundation/NSString.h"
#include "npapi/npapi.h"

class editorplugin;

// NPP_HandleEvent for drawing mode 2: 1 handled, 0 not.
int16_t handleCoreGraphicsEvent(NPP npp, NPCocoaEvent* event);

// Focus gained: starts the 500 ms caret timer (replacing one still running)
// and shows the caret at once. Lost: stops the timer and hides the caret.
// Without the browser's timer functions no timer runs and no caret shows.
void handleFocusChange(NPP npp, NPCocoaEvent* event);

// The caret timer's callback: a tick of the control's own timer flips the
// blink phase and redraws; any other tick (another id, a control that is gone)
// does nothing.
void mytimeproc(NPP npp, uint32_t timerID);

// Edits the buffer for one key-down: Return and Tab go to the script hook,
// Escape does nothing, arrows move the caret, Delete removes the character
// before it, and a printable ASCII character is inserted at the caret when
// the input pattern allows it and the text stays within maxlength. The text
// is rated again after every key.
void handleKeyDown(NPP npp, NPCocoaEvent* event);

// YES when the character alone matches the input pattern (or no pattern is
// set). A pattern that is not valid UTF-8, empty once read, or not a valid
// regular expression allows nothing.
BOOL isCharAllowed(NPP npp, char c);

// Empties the edit buffer, puts the caret at 0 and redraws. Strength values,
// focus, timer and a pending click stay.
void clearpo(NPP npp);

// Draws the box into the draw event's context: white background, one "*"
// per character (or the text itself in plain mode) in Arial 16, and the caret
// line, black only while focused and in the visible blink phase. A pending
// left click is resolved here into a caret index by the drawn pen positions.
// No context: nothing.
void drawEditBox(NPP npp, NPCocoaEvent* event);
