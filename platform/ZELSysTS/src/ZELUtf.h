// UTF-8 <-> UTF-16 conversion used by the string classes of this library.
#pragma once

#include <string>
#include <string_view>

namespace zelsysts {

// Ill-formed UTF-8 sequences become U+FFFD, one per offending byte.
std::u16string Utf8ToUtf16(const char* text, size_t length);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

}  // namespace zelsysts
