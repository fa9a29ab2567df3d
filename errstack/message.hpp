#pragma once
// The values that the next message quotes: %(In), %(Rn) and %(Ln) for n = 1 to 9
// (E1ARGL also takes -1 to -9 to keep trailing blanks).
#include <string_view>

void E1ARGI(int index, int value);
void E1ARGR(int index, float value);
void E1ARGL(int index, std::string_view text);
