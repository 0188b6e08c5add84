#include "readers/XmlTree.h"

#include <climits>
#include <cstdio>
#include <exception>
#include <new>

static_assert(sizeof(XML_Char) == 1, "the tree keeps Expat's 8-bit (UTF-8) texts");

namespace {

int XmlErrorCode = kXmlErrorNone;
char UnknownErrorText[48];
unsigned AllocationFailureCountdown = 0;

// XML_Parse takes an int length; a larger buffer goes in pieces of this size,
// the last of them marked final. Expat copies each piece into its own buffer,
// so a piece is kept small enough not to double the memory of a huge file.
constexpr size_t kLargestPiece = size_t{16} << 20;

// Called before every step that may allocate, so that the injected failure
// lands exactly where a real one could.
void CountAllocation() {
    if (AllocationFailureCountdown != 0 && --AllocationFailureCountdown == 0) throw std::bad_alloc();
}

// The error lines print positions with "%d"; a position past INT_MAX (only
// in a buffer parsed in pieces) shows as INT_MAX rather than as a negative.
int SaturatedInt(XML_Size value) { return value > static_cast<XML_Size>(INT_MAX) ? INT_MAX : static_cast<int>(value); }

bool IsXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void ReleaseAttributes(XmlElement* element) {
    XmlAttribute* attribute = element->firstAttribute;
    while (attribute) {
        XmlAttribute* next = attribute->next;
        delete attribute;
        attribute = next;
    }
    element->firstAttribute = element->lastAttribute = nullptr;
    element->attributeCount = 0;
}

// An element that is not yet linked into a tree.
struct LooseElementFree {
    void operator()(XmlElement* element) const {
        ReleaseAttributes(element);
        delete element;
    }
};
using LooseElement = std::unique_ptr<XmlElement, LooseElementFree>;

void AppendAttribute(XmlElement* element, const char* name, const char* value) {
    CountAllocation();
    std::unique_ptr<XmlAttribute> attribute(new XmlAttribute);
    CountAllocation();
    attribute->name = name;
    CountAllocation();
    attribute->value = value;
    attribute->previous = element->lastAttribute;
    XmlAttribute* added = attribute.release();
    if (element->lastAttribute)
        element->lastAttribute->next = added;
    else
        element->firstAttribute = added;
    element->lastAttribute = added;
    ++element->attributeCount;
}

// A document nested a million levels deep must not take a million stack
// frames to release: children are freed leaf first by walking the links.
void ReleaseElements(XmlElement* root) {
    XmlElement* element = root;
    while (element) {
        if (element->firstChild) {
            element = element->firstChild;
            continue;
        }
        XmlElement* following = nullptr;
        if (element != root) {
            following = element->next ? element->next : element->parent;
            element->parent->firstChild = element->next;
        }
        ReleaseAttributes(element);
        delete element;
        element = following;
    }
}

// An exception must never unwind through Expat's C frames, and nothing may go
// on with a piece that failed to be made: the parse ends here and fails.
void StopForLackOfMemory(XmlParser* parser) {
    XmlErrorCode = kXmlErrorOutOfMemory;
    parser->stopped = 1;
    XML_StopParser(parser->expat, XML_FALSE);
}

void EnsureTree(XmlParser* parser) {
    if (parser->tree) return;
    CountAllocation();
    parser->tree = new XmlTree;
}

void OnXmlDeclaration(void* userData, const XML_Char* version, const XML_Char* encoding, int) noexcept {
    auto* parser = static_cast<XmlParser*>(userData);
    if (parser->stopped) return;
    try {
        EnsureTree(parser);
        if (version) {
            CountAllocation();
            parser->tree->version = version;
        }
        if (encoding) {
            CountAllocation();
            parser->tree->encoding = encoding;
        }
    } catch (const std::exception&) {
        StopForLackOfMemory(parser);
    }
}

void OnStartElement(void* userData, const XML_Char* name, const XML_Char** attributes) noexcept {
    auto* parser = static_cast<XmlParser*>(userData);
    if (parser->stopped) return;
    try {
        EnsureTree(parser);
        XmlElement* parent = parser->current;
        // Expat allows one root; a second one would have no place.
        if (parser->tree->root && !parent) return;
        CountAllocation();
        LooseElement element(new XmlElement);
        CountAllocation();
        element->name = name;
        // Expat rejects a start tag that repeats an attribute name, so the
        // pairs are distinct and go in as they come, without a search.
        for (size_t i = 0; attributes && attributes[i]; i += 2)
            AppendAttribute(element.get(), attributes[i], attributes[i + 1]);

        XmlElement* added = element.release();
        if (parent) {
            added->parent = parent;
            added->previous = parent->lastChild;
            if (parent->lastChild)
                parent->lastChild->next = added;
            else
                parent->firstChild = added;
            parent->lastChild = added;
            ++parent->childCount;
        } else {
            parser->tree->root = added;
        }
        parser->current = added;
    } catch (const std::exception&) {
        StopForLackOfMemory(parser);
    }
}

void OnEndElement(void* userData, const XML_Char*) noexcept {
    auto* parser = static_cast<XmlParser*>(userData);
    if (parser->stopped) return;
    XmlElement* element = parser->current;
    if (!element) return;
    if (element->contents) {
        std::string& text = *element->contents;
        size_t first = 0;
        while (first < text.size() && IsXmlBlank(text[first])) ++first;
        if (first == text.size()) {
            element->contents.reset();
        } else if (parser->ignoreWhitespace) {
            size_t end = text.size();
            while (IsXmlBlank(text[end - 1])) --end;
            text.resize(end);  // neither shortening nor erasing allocates
            text.erase(0, first);
        }
    }
    parser->current = element->parent;
}

void OnCharacterData(void* userData, const XML_Char* piece, int length) noexcept {
    auto* parser = static_cast<XmlParser*>(userData);
    if (parser->stopped || !parser->current || length <= 0) return;
    XmlElement* element = parser->current;
    size_t size = static_cast<size_t>(length);
    // Leading white space would be trimmed at the end anyway; not storing it
    // spares every parent the indentation between its children.
    if (parser->ignoreWhitespace && !element->contents) {
        while (size > 0 && IsXmlBlank(*piece)) {
            ++piece;
            --size;
        }
        if (size == 0) return;
    }
    try {
        CountAllocation();
        if (!element->contents) element->contents.emplace();
        // Appending grows the capacity geometrically, so a text that Expat
        // delivers line by line is joined in linear time.
        element->contents->append(piece, size);
    } catch (const std::exception&) {
        StopForLackOfMemory(parser);
    }
}

}  // namespace

XmlParser* CreateXmlParser() {
    XmlParser* parser = nullptr;
    try {
        CountAllocation();
        parser = new XmlParser;
    } catch (const std::exception&) {
        XmlErrorCode = kXmlErrorOutOfMemory;
        return nullptr;
    }
    // No encoding given: Expat detects the document's own and hands out UTF-8.
    parser->expat = XML_ParserCreate(nullptr);
    if (!parser->expat) {
        delete parser;
        XmlErrorCode = kXmlErrorOutOfMemory;
        return nullptr;
    }
    XML_SetUserData(parser->expat, parser);
    XML_SetXmlDeclHandler(parser->expat, OnXmlDeclaration);
    XML_SetElementHandler(parser->expat, OnStartElement, OnEndElement);
    XML_SetCharacterDataHandler(parser->expat, OnCharacterData);
    parser->ignoreWhitespace = 1;
    return parser;
}

void SetIgnoreWhitespace(XmlParser* parser, int flag) {
    if (parser) parser->ignoreWhitespace = flag ? 1 : 0;
}

int ParseXmlBuffer(XmlParser* parser, const char* bytes, size_t length) {
    if (!parser || !parser->expat) return 0;
    parser->parsed = 0;
    if (!bytes) length = 0;
    XML_Status status = XML_STATUS_OK;
    // Cutting the length to int would parse a wrong part of a buffer above
    // 2 GiB; such a buffer goes in pieces instead of one call.
    if (length > static_cast<size_t>(INT_MAX)) {
        while (length > kLargestPiece && status == XML_STATUS_OK) {
            status = XML_Parse(parser->expat, bytes, static_cast<int>(kLargestPiece), XML_FALSE);
            bytes += kLargestPiece;
            length -= kLargestPiece;
        }
    }
    if (status == XML_STATUS_OK) status = XML_Parse(parser->expat, bytes, static_cast<int>(length), XML_TRUE);
    if (parser->stopped) return 0;  // code 1 already set; Expat only says "aborted"
    if (status != XML_STATUS_OK) {
        XmlErrorCode = kXmlErrorExpat;
        return 0;
    }
    parser->parsed = 1;
    return 1;
}

XmlTree* GetXmlTree(XmlParser* parser) {
    if (!parser || !parser->parsed) return nullptr;
    XmlTree* tree = parser->tree;
    parser->tree = nullptr;
    parser->current = nullptr;
    return tree;
}

XmlElement* GetRootElement(const XmlTree* tree) { return tree ? tree->root : nullptr; }

const char* GetElementName(const XmlElement* element) { return element ? element->name.c_str() : nullptr; }

const char* GetElementContents(const XmlElement* element) {
    return element && element->contents ? element->contents->c_str() : nullptr;
}

XmlElement* NextChildElement(const XmlElement* parent, const XmlElement* child) {
    if (child) return child->next;
    return parent ? parent->firstChild : nullptr;
}

void FreeXmlTree(XmlTree* tree) {
    if (!tree) return;
    ReleaseElements(tree->root);
    delete tree;
}

void FreeXmlParser(XmlParser* parser) {
    if (!parser) return;
    FreeXmlTree(parser->tree);
    if (parser->expat) XML_ParserFree(parser->expat);
    delete parser;
}

int GetXmlError() { return XmlErrorCode; }

const char* GetXmlErrorText(int code) {
    switch (code) {
        case kXmlErrorNone: return "No error";
        case kXmlErrorOutOfMemory: return "Out of memory";
        case kXmlErrorIo: return "Input/Output error";
        case kXmlErrorCallback: return "Callback error";
        case kXmlErrorExpat: return "Internal Expat parser error";
        default:
            std::snprintf(UnknownErrorText, sizeof UnknownErrorText, "Unknown error code (%d)", code);
            return UnknownErrorText;
    }
}

int GetExpatErrorCode(const XmlParser* parser) {
    return parser && parser->expat ? static_cast<int>(XML_GetErrorCode(parser->expat)) : 0;
}

int GetExpatErrorLine(const XmlParser* parser) {
    return parser && parser->expat ? SaturatedInt(XML_GetCurrentLineNumber(parser->expat)) : 0;
}

int GetExpatErrorColumn(const XmlParser* parser) {
    return parser && parser->expat ? SaturatedInt(XML_GetCurrentColumnNumber(parser->expat)) : 0;
}

const char* GetExpatErrorText(int expatCode) {
    // Expat has no text for a code it does not know; "%s" must never get nullptr.
    const XML_LChar* text = XML_ErrorString(static_cast<XML_Error>(expatCode));
    return text ? text : "";
}

int AddXmlAttribute(XmlElement* element, const char* name, const char* value) {
    if (!element || !name || !value) return 0;
    try {
        for (XmlAttribute* attribute = element->firstAttribute; attribute; attribute = attribute->next) {
            if (attribute->name == name) {
                CountAllocation();
                attribute->value = value;
                return 1;
            }
        }
        AppendAttribute(element, name, value);
        return 1;
    } catch (const std::exception&) {
        XmlErrorCode = kXmlErrorOutOfMemory;
        return 0;
    }
}

void VisitXmlPostOrder(XmlElement* root, void (*visit)(XmlElement*, void*), void* context) {
    if (!root || !visit) return;
    XmlElement* element = root;
    while (element->firstChild) element = element->firstChild;
    for (;;) {
        XmlElement* next = element == root ? nullptr : element->next;
        XmlElement* parent = element->parent;
        visit(element, context);
        if (element == root) return;
        if (next) {
            element = next;
            while (element->firstChild) element = element->firstChild;
        } else {
            element = parent;
        }
    }
}

void SetXmlAllocationFailure(unsigned countdown) { AllocationFailureCountdown = countdown; }
