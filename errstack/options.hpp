#pragma once
// Option tables.
#include <string_view>

// Gets (IACT 1) or puts (IACT 2) the values of NUMOPT options of a product
// ("MATH" or "STAT") and chapter; a negative option number means its defaults.
void IUMAG(std::string_view prodnm, int ichp, int iact, int numopt, const int* iopts, int* values);
// The character whose code is I.
char ACHAR(int i);
