#pragma once
#include <string>

namespace totem::form {

// The run-time library's general number-to-text conversion, as the keypad's
// numbers become texts: a whole number has no decimal part ("5", "31").
std::string FloatToStr(double value);

}  // namespace totem::form
