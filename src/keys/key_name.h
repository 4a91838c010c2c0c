// Display names of catalogue keys, from the language table: the key's name key in the "TEXT" section, or
// the "UNKNOWN_KEY" text formatted with the key code when the key has no name or its text is empty.
#pragma once

#include <cstddef>
#include <string>

#include "keys/key_catalogue.h"
#include "skin/language_text_source.h"

namespace kv {

inline constexpr std::size_t kKeyNameCapacity = 260;
inline constexpr char kUnknownKeyTextKey[] = "UNKNOWN_KEY";

// Writes the display name of code into buffer (capacity characters, terminator included), cut to
// capacity - 1 characters; returns the characters written before the terminator. Nothing is written when
// buffer is null or capacity is 0. G-key codes are not named here: their callers build "G%d".
std::size_t KeyName(KeyCode code, wchar_t* buffer, std::size_t capacity, const TextSource& texts);
std::size_t KeyName(KeyCode code, wchar_t* buffer, std::size_t capacity);  // the current language

// The display name of the first key (in index order) at that list position; empty when there is none or
// it has no name key.
[[nodiscard]] std::wstring ListName(uint16_t listPosition, const TextSource& texts);
[[nodiscard]] std::wstring ListName(uint16_t listPosition);  // the current language

}  // namespace kv
