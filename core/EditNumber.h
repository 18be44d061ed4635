// Numbers in edit boxes: the system locale's decimal separator, shortest
// text with at most 8 significant digits.
#pragma once

#include <string>

namespace tandemix {

// Parses a real number typed in a box (the locale's separator, optional
// blanks around it, optional exponent). Throws "'<text>' is not a valid
// floating point value".
double ParseEditReal(const std::string& text);

// Parses an integer typed in a box (optional leading blanks and sign).
// Throws "'<text>' is not a valid integer value", also when it does not fit
// 32 bits.
int ParseEditInteger(const std::string& text);

// The shortest text of `value` with at most 8 significant digits, in the
// locale's format.
std::string FormatEditReal(double value);

}  // namespace tandemix

namespace tandemix {

// How far one press of an arrow key or one wheel notch moves a number box.
enum class StepSize { Normal, Coarse, Fine };  // 1; 10 (Shift); 0.1 (Ctrl)

// The box text after `steps` steps (negative: down) of `size`. A real-valued
// box steps by 0.1 when fine; a whole-number box by 1, from the nearest
// whole number (halves to even) to what is typed. Throws the parse error
// when the text is not a number.
std::string StepEditText(const std::string& text, int steps, StepSize size, bool realValued);

}  // namespace tandemix
