// Where display texts come from: the "TEXT" section of the language file, or anything that answers the
// same way (tests, tools). Text is wide: UTF-16 on Windows, UTF-32 natively.
#pragma once

#include <string>
#include <string_view>

namespace kv {

class TextSource {
public:
    virtual ~TextSource() = default;
    // The text of a language key: "#Error" when the key or the file is missing, "" when the value is empty.
    [[nodiscard]] virtual std::wstring Text(std::string_view key) const = 0;
};

// The "TEXT" section of the language file of the language chosen at the moment of each lookup.
class CurrentLanguageTexts final : public TextSource {
public:
    [[nodiscard]] std::wstring Text(std::string_view key) const override;
};

}  // namespace kv
