// The player page of view/page/ as the program holds it: player.html with
// player.css and player.js put in place of the elements that link them, cut
// where the take's JSON goes. Generated at build time by EmbedPage.cmake.
#pragma once

#include <string_view>

namespace tovview::page {

// The page up to the opening tag of the take's script element, inclusive.
extern const std::string_view kBeforeTake;
// The page from the take's closing tag on.
extern const std::string_view kAfterTake;
// The same of the page of a take with filled samples, which also carries
// the style and script that show them.
extern const std::string_view kBeforeFilledTake;
extern const std::string_view kAfterFilledTake;
// The same of the page of a take with force platforms, which carries the
// style and script that draw them; and of one with both.
extern const std::string_view kBeforeForcesTake;
extern const std::string_view kAfterForcesTake;
extern const std::string_view kBeforeFilledForcesTake;
extern const std::string_view kAfterFilledForcesTake;

}  // namespace tovview::page
