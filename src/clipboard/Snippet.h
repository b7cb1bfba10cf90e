#pragma once
// One stored snippet: the short trigger the user types in the picker and the template body that is
// expanded and inserted. Identified by its id; equality covers every field.
//
//     Snippet snippet = Snippet::make("sig", "Best regards,\n{cursor}");
//     list.push_back({snippet.trigger, snippet.preview()});      // "Best regards,"
//
// A plain value; any thread.

#include <string>
#include <string_view>

#include "base/Uuid.h"

namespace tarnlet {

struct Snippet {
    // A preview longer than this many user-perceived characters is cut, ending in "…".
    static constexpr std::size_t kPreviewLimit = 60;

    Uuid id = Uuid::random();
    std::string trigger;
    std::string body;

    // A new snippet with a fresh identity.
    static Snippet make(std::string trigger, std::string body) {
        return Snippet{Uuid::random(), std::move(trigger), std::move(body)};
    }

    friend bool operator==(const Snippet&, const Snippet&) = default;

    // The first line of the body that is not empty once spaces and tabs are trimmed from both ends,
    // trimmed; empty when there is none. Beyond kPreviewLimit characters it is cut to one less,
    // followed by "…". Any line break ends a line. Bounded work whatever the body's length.
    std::string preview() const { return previewOf(body); }
    static std::string previewOf(std::string_view body);
};

}  // namespace tarnlet
