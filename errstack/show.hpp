#pragma once
// Printing of the pending message.

// Prints the pending message on the error-message unit in its box, followed by
// a traceback when the level is 3 or deeper; does nothing when none is pending.
void E1SHOW();
