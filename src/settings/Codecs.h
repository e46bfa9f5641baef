// Base16 and Base64 coding of 8-bit strings (each char is one byte, 0 to 255).
#pragma once

#include <string>
#include <string_view>

// Two upper-case hexadecimal digits per byte.
std::string Base16Encode(std::string_view bytes);
// Accepts either letter case. Throws EConvertError for an odd length or a
// character that is not a hexadecimal digit.
std::string Base16Decode(std::string_view text);

// Standard alphabet with '=' padding, on one line.
std::string Base64Encode(std::string_view bytes);
// Everything from the first '=' on is ignored, so unpadded input decodes too.
// Throws EConvertError for a length that leaves one character over, or a
// character outside the alphabet (line breaks included).
std::string Base64Decode(std::string_view text);
