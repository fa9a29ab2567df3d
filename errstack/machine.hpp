#pragma once
// Machine constants and units.

// Real constants of single precision, index 1 to 8.
float AMACH(int index);
// Integer constants of the integer and floating-point formats, index 1 to 12.
int IMACH(int index);
// Index 1 to 3 gets the input, output or error-message unit into UNIT; -1 to -3
// sets it from UNIT.
void UMACH(int index, int& unit);
