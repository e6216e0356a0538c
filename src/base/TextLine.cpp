#include "base/TextLine.h"

namespace trevasc {

std::string_view FirstNonEmptyLine(std::string_view text) {
    TextLineReader reader(text);
    return reader.ReadTextLine();
}

}  // namespace trevasc
