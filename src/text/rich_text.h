// Plain text of rich-text cells ("{\rtf..."): the visible characters with
// paragraph marks as line breaks, without fonts, colours or other groups.
#pragma once

#include <string>
#include <string_view>

namespace tessary {

std::u16string RichTextToPlain(std::u16string_view rtf);

// Markup removal of cell texts: "<BR>" and "<HR>" (any letter case) become
// CR LF, then from the left each "<" up to and including the next ">" is
// deleted; a "<" with no ">" after it stays with the rest of the text.
std::u16string RemoveHtmlTags(std::u16string_view text);

}  // namespace tessary
