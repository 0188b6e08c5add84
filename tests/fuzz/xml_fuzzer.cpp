// Documents of any bytes through the element tree, then a full post-order walk
// that checks what the reader relies on, and the reader's own element walk.
// The input's length chooses the white space mode and, for every third
// length, an allocation that fails, so the out-of-memory paths of the handlers
// run under the sanitizers too.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/Results.h"
#include "readers/SongReader.h"
#include "readers/XmlTree.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

void CheckElement(XmlElement* element, void* context) {
    const int trimmed = *static_cast<const int*>(context);
    if (!GetElementName(element) || GetElementName(element) != element->name) std::abort();
    if (const char* text = GetElementContents(element)) {
        const size_t length = std::strlen(text);
        if (length == 0 || (trimmed && (IsBlank(text[0]) || IsBlank(text[length - 1])))) std::abort();
    }
    unsigned children = 0;
    for (XmlElement* child = NextChildElement(element, nullptr); child; child = NextChildElement(element, child)) {
        if (child->parent != element) std::abort();
        ++children;
    }
    if (children != element->childCount) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XmlParser* parser = CreateXmlParser();
    if (!parser) return 0;
    int trimmed = static_cast<int>(size & 1);
    SetIgnoreWhitespace(parser, trimmed);
    if (size % 3 == 0 && size > 0) SetXmlAllocationFailure(1 + data[size - 1] % 64u);
    if (ParseXmlBuffer(parser, reinterpret_cast<const char*>(data), size)) {
        XmlTree* tree = GetXmlTree(parser);
        if (!tree || !GetRootElement(tree)) std::abort();
        VisitXmlPostOrder(GetRootElement(tree), CheckElement, &trimmed);
        // And the song reader's own walk over the same tree.
        if (std::unique_ptr<SongEntry> entry = NewSongEntry("/fuzz.xml")) WalkSongElements(GetRootElement(tree), *entry);
        ClearReadingResults();
        FreeXmlTree(tree);
    } else if (!GetXmlErrorText(GetXmlError()) || !GetExpatErrorText(GetExpatErrorCode(parser)) ||
               GetExpatErrorLine(parser) < 1 || GetExpatErrorColumn(parser) < 0) {
        std::abort();  // the reader prints all four
    }
    SetXmlAllocationFailure(0);
    FreeXmlParser(parser);
    return 0;
}
