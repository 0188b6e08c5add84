#include "readers/XmlTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "harness/Harness.h"
#include "harness/Seeds.h"
#include "platform/Memory.h"

namespace {

struct Parsed {
    XmlParserPtr parser;
    XmlTreePtr tree;
    int result = 0;
};

// inPlace: the document written straight into the parser's own buffer.
Parsed Parse(std::string_view document, int ignoreWhitespace = 1, bool inPlace = false) {
    KeepSeed("xml", document);
    Parsed parsed;
    parsed.parser.reset(CreateXmlParser());
    if (!parsed.parser) return parsed;
    SetIgnoreWhitespace(parsed.parser.get(), ignoreWhitespace);
    if (inPlace) {
        char* buffer = GetXmlParseBuffer(parsed.parser.get(), document.size());
        if (!buffer) return parsed;
        std::memcpy(buffer, document.data(), document.size());
        parsed.result = ParseXmlInPlace(parsed.parser.get(), document.size());
    } else {
        parsed.result = ParseXmlBuffer(parsed.parser.get(), document.data(), document.size());
    }
    if (parsed.result) parsed.tree.reset(GetXmlTree(parsed.parser.get()));
    return parsed;
}

// The contents as the test sees them: "<absent>" for none.
std::string ContentsOf(const XmlElement* element) {
    const char* contents = GetElementContents(element);
    return contents ? std::string(contents) : std::string("<absent>");
}

void Collect(XmlElement* element, void* list) { static_cast<std::vector<XmlElement*>*>(list)->push_back(element); }

// The walk from start must give start's subtree alone, children first: the
// reverse of a walk that takes each element before its children, last child first.
void ExpectPostOrder(XmlElement* start) {
    std::vector<XmlElement*> walked, expected, open{start};
    VisitXmlPostOrder(start, Collect, &walked);
    while (!open.empty()) {
        expected.push_back(open.back());
        open.pop_back();
        for (XmlElement* child = expected.back()->firstChild; child; child = child->next) open.push_back(child);
    }
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(walked, expected);
}

// The whole tree as text: the declaration's version and encoding when there
// is one, then element by element in document order: depth, name, attributes
// and contents. Two trees are the same when their dumps are. On the way every
// link and count must agree with the walk, and so must the post-order walk
// from every element.
std::string Dump(const XmlTree* tree) {
    std::string out;
    if (tree->version) out += "?xml " + *tree->version + (tree->encoding ? " " + *tree->encoding : "") + "\n";
    EXPECT_EQ(GetRootElement(tree)->parent, nullptr);
    std::vector<std::pair<XmlElement*, int>> open{{GetRootElement(tree), 0}};
    while (!open.empty()) {
        auto [element, depth] = open.back();
        open.pop_back();
        out += std::string(depth, ' ') + GetElementName(element);
        unsigned attributes = 0;
        const XmlAttribute* last = nullptr;
        for (const XmlAttribute* a = element->firstAttribute; a; last = a, a = a->next, ++attributes) {
            out += std::string(" ") + a->name + "=" + a->value;
            EXPECT_EQ(a->previous, last);
        }
        EXPECT_EQ(element->lastAttribute, last);
        EXPECT_EQ(attributes, element->attributeCount);
        out += " [" + ContentsOf(element) + "]\n";
        std::vector<std::pair<XmlElement*, int>> children;
        for (XmlElement* child = NextChildElement(element, nullptr); child; child = NextChildElement(element, child)) {
            EXPECT_EQ(child->parent, element);
            EXPECT_EQ(child->previous, children.empty() ? nullptr : children.back().first);
            children.emplace_back(child, depth + 1);
        }
        EXPECT_EQ(element->lastChild, children.empty() ? nullptr : children.back().first);
        EXPECT_EQ(children.size(), element->childCount);
        open.insert(open.end(), children.rbegin(), children.rend());
        ExpectPostOrder(element);
    }
    return out;
}

// What a parse gave: the dump of its tree, or Expat's diagnostic as
// "error LINE:COLUMN TEXT".
std::string Outcome(const Parsed& parsed) {
    if (parsed.result) {
        EXPECT_EQ(GetXmlTree(parsed.parser.get()), nullptr);  // handed out once
        return Dump(parsed.tree.get());
    }
    XmlParser* parser = parsed.parser.get();
    EXPECT_EQ(GetXmlError(), kXmlErrorExpat);
    EXPECT_EQ(GetXmlTree(parser), nullptr);  // the unfinished tree goes with the parser
    return "error " + std::to_string(GetExpatErrorLine(parser)) + ":" + std::to_string(GetExpatErrorColumn(parser)) +
           " " + GetExpatErrorText(GetExpatErrorCode(parser));
}

// One case of the committed document list: what it is, the document, the
// attributes to add to its root and what it must give.
struct DocumentCase {
    std::string purpose, kind, document;
    std::vector<std::string> added;
    std::string expected;
};

std::vector<DocumentCase> CommittedDocuments() {
    std::vector<DocumentCase> cases;
    std::istringstream list(ReadTestData("xml/documents.txt"));
    std::string purpose;
    for (std::string line; std::getline(list, line);) {
        if (line.rfind("# ", 0) == 0) {
            purpose = line.substr(2);
        } else if (line.rfind("  <", 0) == 0) {
            cases.back().document = Unescape(line.substr(std::min<size_t>(4, line.size())));
        } else if (line.rfind("  + ", 0) == 0) {
            cases.back().added.push_back(Unescape(line.substr(4)));
        } else if (line.rfind("  = ", 0) == 0) {
            cases.back().expected += Unescape(line.substr(4)) + (cases.back().kind == "dump" ? "\n" : "");
        } else if (!line.empty()) {
            cases.push_back({purpose, line, "", {}, ""});
        }
    }
    return cases;
}

}  // namespace

TEST(XmlTreeTest, CommittedDocumentsGiveTheirContentsTreesOrDiagnostics) {
    const std::vector<DocumentCase> cases = CommittedDocuments();
    ASSERT_GE(cases.size(), 40u);
    for (const DocumentCase& c : cases) {
        SCOPED_TRACE(c.purpose + ": " + c.kind);
        if (c.kind.rfind("text ", 0) == 0 || c.kind.rfind("expat text ", 0) == 0) {
            const int code = std::stoi(c.kind.substr(c.kind.find("text ") + 5));
            EXPECT_EQ(c.kind[0] == 't' ? GetXmlErrorText(code) : GetExpatErrorText(code), c.expected);
            continue;
        }
        const int ignoreWhitespace = c.kind == "contents 0" ? 0 : 1;
        Parsed parsed = Parse(c.document, ignoreWhitespace);
        ASSERT_NE(parsed.parser, nullptr);
        const std::string outcome = Outcome(parsed);
        if (!c.document.empty()) {  // no buffer of 0 bytes is handed out
            EXPECT_EQ(Outcome(Parse(c.document, ignoreWhitespace, true)), outcome) << "parsed in place";
        }
        parsed.parser.reset();  // the tree outlives its parser
        if (c.kind.rfind("error ", 0) == 0) {
            EXPECT_EQ(outcome, c.kind);
        } else if (c.kind == "dump") {
            XmlElement* root = GetRootElement(parsed.tree.get());
            for (const std::string& added : c.added) {
                const size_t equals = added.find('=');
                EXPECT_EQ(AddXmlAttribute(parsed.tree.get(), root, added.substr(0, equals).c_str(),
                                          added.substr(equals + 1).c_str()),
                          1);
            }
            EXPECT_EQ(c.added.empty() ? outcome : Dump(parsed.tree.get()), c.expected);
        } else {
            ASSERT_EQ(parsed.result, 1);
            EXPECT_EQ(ContentsOf(GetRootElement(parsed.tree.get())), c.expected);
        }
    }
    std::vector<XmlElement*> none;
    VisitXmlPostOrder(nullptr, Collect, &none);
    EXPECT_TRUE(none.empty());
}

// Elements, names and texts live in blocks of the tree: documents that fill
// many blocks, need blocks of their own for long texts, or have enough names
// to grow the name table keep every element whole, and texts that Expat
// delivers line by line and entity by entity come out joined.
TEST(XmlTreeTest, LargeDocumentsKeepEveryElementNameAndText) {
    std::string document = "<root>";
    std::string expected = "root [<absent>]\n";
    for (int i = 0; i < 6000; ++i) {
        // 400 distinct names, reused; every 500th element has a text of many lines.
        const std::string name = "element" + std::to_string(i % 400);
        std::string text = "text " + std::to_string(i), escaped = text;
        if (i % 500 == 0) {
            text = escaped = "";
            for (int line = 0; line < (i == 0 ? 16000 : 1000); ++line) {
                text += "line " + std::to_string(line) + " & more\n";
                escaped += "line " + std::to_string(line) + " &amp; more\n";
            }
            text.pop_back();
        }
        document += "<" + name + " n=\"" + std::to_string(i) + "\"> " + escaped + " </" + name + ">";
        expected += " " + name + " n=" + std::to_string(i) + " [" + text + "]\n";
    }
    document += "</root>";
    for (bool inPlace : {false, true}) {
        Parsed parsed = Parse(document, 1, inPlace);
        ASSERT_EQ(parsed.result, 1);
        EXPECT_EQ(Dump(parsed.tree.get()), expected);
        // A name used again is the same text, not a copy.
        XmlElement* first = NextChildElement(GetRootElement(parsed.tree.get()), nullptr);
        XmlElement* again = first;
        for (int i = 0; i < 400; ++i) again = again->next;
        EXPECT_STREQ(GetElementName(again), "element0");
        EXPECT_EQ(static_cast<const void*>(GetElementName(again)), static_cast<const void*>(GetElementName(first)));
    }
}

// A million levels deep, closed or not, parsed, walked and released without
// recursion: the deepest documents of DamagedCollectionTest.

TEST(XmlTreeTest, RunningOutOfMemoryInAHandlerFailsTheParseCleanly) {
    const std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<r v=\"1\" w=\"2\">\n  <a>one\n two</a>\n  <b x=\"y\">three</b>\n  text\n</r>";
    int failures = 0;
    for (unsigned countdown = 1; countdown < 200; ++countdown) {
        SCOPED_TRACE(countdown);
        SetXmlAllocationFailure(countdown);
        Parsed parsed = Parse(document);
        SetXmlAllocationFailure(0);
        if (!parsed.parser || parsed.result == 0) {
            // The abort is ours: the code says memory, not Expat.
            EXPECT_EQ(GetXmlError(), kXmlErrorOutOfMemory);
            EXPECT_EQ(parsed.parser ? GetXmlTree(parsed.parser.get()) : nullptr, nullptr);
            ++failures;
            continue;
        }
        // Enough allocations for the whole document: the tree is complete.
        EXPECT_EQ(Dump(parsed.tree.get()), "?xml 1.0 UTF-8\nr v=1 w=2 [text]\n a [one\n two]\n b x=y [three]\n");
        break;
    }
    EXPECT_GT(failures, 10);

    Parsed simple = Parse("<r/>");
    ASSERT_EQ(simple.result, 1);
    SetXmlAllocationFailure(1);
    EXPECT_EQ(AddXmlAttribute(simple.tree.get(), GetRootElement(simple.tree.get()), "a", "1"), 0);
    SetXmlAllocationFailure(0);
    EXPECT_EQ(Dump(simple.tree.get()), "r [<absent>]\n");
}

TEST(XmlTreeTest, BuffersAreTakenOnlyForWhatTheyCanHold) {
    XmlParserPtr parser(CreateXmlParser());
    ASSERT_NE(parser, nullptr);
    EXPECT_EQ(GetXmlParseBuffer(parser.get(), 0), nullptr);
    EXPECT_EQ(GetXmlParseBuffer(parser.get(), size_t{1} << 31), nullptr);  // beyond Expat's int
    EXPECT_EQ(GetXmlParseBuffer(nullptr, 4), nullptr);
    EXPECT_EQ(ParseXmlInPlace(parser.get(), 4), 0) << "no buffer was handed out";
    char* buffer = GetXmlParseBuffer(parser.get(), 4);
    ASSERT_NE(buffer, nullptr);
    std::memcpy(buffer, "<r/>", 4);
    EXPECT_EQ(ParseXmlInPlace(parser.get(), 5), 0) << "longer than the buffer";
    // Its tree, never taken, goes with the parser (the leak checker of the
    // sanitizer build watches).
    EXPECT_EQ(ParseXmlInPlace(parser.get(), 4), 1);
    FreeXmlParser(nullptr);
    FreeXmlTree(nullptr);

    // 4 GiB + 4 bytes: as an int the length would be 4, just the valid "<r/>".
    const size_t size = (size_t{1} << 32) + 4;
    HeapBuffer big = HeapAllocZeroed(size);
    if (!big) GTEST_SKIP() << "no address space for 4 GiB";
    std::memcpy(big.get(), "<r/>", 4);
    parser.reset(CreateXmlParser());
    ASSERT_NE(parser, nullptr);
    EXPECT_EQ(ParseXmlBuffer(parser.get(), big.get(), size), 0);
    EXPECT_EQ(GetXmlError(), kXmlErrorExpat);
    EXPECT_EQ(GetExpatErrorCode(parser.get()), XML_ERROR_INVALID_TOKEN);
    EXPECT_EQ(GetExpatErrorColumn(parser.get()), 4);
}
