#include "formats/TextLine.h"

namespace trevasc::formats {

std::string_view FirstNonEmptyLine(std::string_view text) {
    TextLineReader reader(text);
    return reader.ReadTextLine();
}

}  // namespace trevasc::formats
