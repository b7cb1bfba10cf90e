#pragma once
// Small Unicode helpers over UTF-8 text, through ICU. Any thread.

#include <string_view>

namespace tarnlet {

class UnicodeText {
public:
    UnicodeText() = delete;

    // The text without the Unicode white space (spaces, tabs, line breaks and their kin) at either
    // end. Ill-formed UTF-8 stops the trimming where it stands.
    static std::string_view trimmedWhiteSpace(std::string_view text);
};

}  // namespace tarnlet
