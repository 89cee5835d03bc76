#include "sources/CellText.h"

#include "platform/TextConv.h"

#include <cstring>

namespace dulo {

size_t TrimCellText(char* buffer, size_t size) {
    size_t length = std::strlen(buffer);
    if (length + 1 >= size) length = Utf8WholeLength(buffer, length);
    while (length > 0 && buffer[length - 1] == ' ') --length;
    buffer[length] = '\0';
    return length;
}

}  // namespace dulo
