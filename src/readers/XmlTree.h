// The XML element tree: a whole document in memory goes through Expat in one
// final call and comes out as a complete tree of elements that the song and
// instrument reader walks. Names and texts are UTF-8 bytes as Expat delivers
// them, whatever encoding the document declares.
#pragma once

#include <expat.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

inline constexpr int kXmlErrorNone = 0;
inline constexpr int kXmlErrorOutOfMemory = 1;
inline constexpr int kXmlErrorIo = 2;        // kept for its text; nothing here sets it
inline constexpr int kXmlErrorCallback = 3;  // kept for its text; nothing here sets it
inline constexpr int kXmlErrorExpat = 4;

struct XmlAttribute {
    std::string name;
    std::string value;
    XmlAttribute* previous = nullptr;
    XmlAttribute* next = nullptr;
};

// Links, not containers: a child costs no allocation of its own beyond the
// element, and releasing a tree of any depth needs no recursion.
struct XmlElement {
    std::string name;
    std::optional<std::string> contents;  // absent: no text, or white space only
    unsigned attributeCount = 0;
    XmlAttribute* firstAttribute = nullptr;
    XmlAttribute* lastAttribute = nullptr;
    unsigned childCount = 0;
    XmlElement* parent = nullptr;
    XmlElement* firstChild = nullptr;
    XmlElement* lastChild = nullptr;
    XmlElement* previous = nullptr;
    XmlElement* next = nullptr;
};

struct XmlTree {
    std::optional<std::string> version;   // from the XML declaration
    std::optional<std::string> encoding;  // from the XML declaration
    XmlElement* root = nullptr;           // owns everything below it
};

struct XmlParser {
    XML_Parser expat = nullptr;
    XmlTree* tree = nullptr;        // owned here until GetXmlTree hands it out
    XmlElement* current = nullptr;  // innermost open element; parent links form the open-element stack
    int ignoreWhitespace = 1;
    int parsed = 0;   // the last parse succeeded
    int stopped = 0;  // a handler ran out of memory; later events are ignored
};

// nullptr (code 1) when memory or the Expat parser cannot be had.
XmlParser* CreateXmlParser();
void SetIgnoreWhitespace(XmlParser* parser, int flag);
// Parses the whole buffer as the document's final piece. 0 with code 4 when
// Expat rejects it, 0 with code 1 when memory ran out while the tree was built.
int ParseXmlBuffer(XmlParser* parser, const char* bytes, size_t length);
// After a successful parse: the tree, which now belongs to the caller
// (FreeXmlTree). nullptr before that or after a failed parse.
XmlTree* GetXmlTree(XmlParser* parser);
XmlElement* GetRootElement(const XmlTree* tree);
const char* GetElementName(const XmlElement* element);
// nullptr when the element has no text of its own.
const char* GetElementContents(const XmlElement* element);
// child nullptr: the first child; otherwise the child's next sibling.
XmlElement* NextChildElement(const XmlElement* parent, const XmlElement* child);
void FreeXmlTree(XmlTree* tree);      // safe on nullptr
// Also releases a tree that was not handed out, e.g. a failed parse's partial one.
void FreeXmlParser(XmlParser* parser);  // safe on nullptr

// The last failure of the layer in this process (never reset to 0).
int GetXmlError();
// The text of a code; for an unknown code "Unknown error code (N)" in one
// process-wide buffer that the next such call overwrites.
const char* GetXmlErrorText(int code);
int GetExpatErrorCode(const XmlParser* parser);
int GetExpatErrorLine(const XmlParser* parser);    // counted from 1
int GetExpatErrorColumn(const XmlParser* parser);  // counted from 0
// Expat's message; "" for a code Expat does not know.
const char* GetExpatErrorText(int expatCode);

// Adds an attribute at the end of the element's list, or replaces the value
// of one with the same name (byte for byte) in its place. 1, or 0 (code 1)
// when memory runs out, the element then unchanged.
int AddXmlAttribute(XmlElement* element, const char* name, const char* value);

// Post-order without recursion: each child of an element (in document order,
// each with its own children first), then the element itself. The visitor
// may read anything but must not change the tree's links.
void VisitXmlPostOrder(XmlElement* root, void (*visit)(XmlElement*, void*), void* context);

// Makes the countdown-th allocation of the layer from now on fail as if memory
// had run out (0: never). Out-of-memory paths are unreachable otherwise, so
// tests and the fuzzer use this; it switches itself off once it has fired.
void SetXmlAllocationFailure(unsigned countdown);

struct XmlParserFree {
    void operator()(XmlParser* parser) const { FreeXmlParser(parser); }
};
using XmlParserPtr = std::unique_ptr<XmlParser, XmlParserFree>;
struct XmlTreeFree {
    void operator()(XmlTree* tree) const { FreeXmlTree(tree); }
};
using XmlTreePtr = std::unique_ptr<XmlTree, XmlTreeFree>;
