#include "readers/XmlTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <sstream>
#include <string_view>
#include <vector>

#include "harness/Harness.h"
#include "platform/Memory.h"
#include "harness/Seeds.h"

namespace {

struct Parsed {
    XmlParserPtr parser;
    XmlTreePtr tree;
    int result = 0;
};

Parsed Parse(std::string_view document, int ignoreWhitespace = 1) {
    KeepSeed("xml", document);
    Parsed parsed;
    parsed.parser.reset(CreateXmlParser());
    if (!parsed.parser) return parsed;
    SetIgnoreWhitespace(parsed.parser.get(), ignoreWhitespace);
    parsed.result = ParseXmlBuffer(parsed.parser.get(), document.data(), document.size());
    if (parsed.result) parsed.tree.reset(GetXmlTree(parsed.parser.get()));
    return parsed;
}

// The contents as the test sees them: "<absent>" for none.
std::string ContentsOf(const XmlElement* element) {
    const char* contents = GetElementContents(element);
    return contents ? std::string(contents) : std::string("<absent>");
}

std::vector<std::string> ChildNames(const XmlElement* parent) {
    std::vector<std::string> names;
    for (XmlElement* child = NextChildElement(parent, nullptr); child; child = NextChildElement(parent, child))
        names.push_back(GetElementName(child));
    return names;
}

std::vector<std::string> PostOrderNames(XmlElement* start) {
    std::vector<std::string> names;
    VisitXmlPostOrder(
        start, [](XmlElement* e, void* c) { static_cast<std::vector<std::string>*>(c)->push_back(e->name); },
        &names);
    return names;
}

// The whole tree as text, element by element in document order: depth, name,
// attributes and contents. Two trees are the same when their dumps are.
std::string Dump(const XmlTree* tree) {
    std::string out;
    std::vector<std::pair<const XmlElement*, int>> open{{GetRootElement(tree), 0}};
    while (!open.empty()) {
        auto [element, depth] = open.back();
        open.pop_back();
        if (!element) continue;
        out += std::string(depth, ' ') + element->name;
        for (const XmlAttribute* a = element->firstAttribute; a; a = a->next)
            out += std::string(" ") + a->name + "=" + a->value;
        out += " [" + ContentsOf(element) + "]\n";
        for (const XmlElement* child = element->lastChild; child; child = child->previous)
            open.emplace_back(child, depth + 1);
    }
    return out;
}

// One case of the committed document list: what it is, the document and what
// it must give.
struct DocumentCase {
    std::string purpose, kind, document, expected;
};

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        }
    }
    return out;
}

std::vector<DocumentCase> CommittedDocuments() {
    std::vector<DocumentCase> cases;
    std::istringstream list(ReadFileBytes(SourcePath("tests/data/xml/documents.txt")));
    std::string purpose;
    for (std::string line; std::getline(list, line);) {
        if (line.rfind("# ", 0) == 0) {
            purpose = line.substr(2);
        } else if (line.rfind("  <", 0) == 0) {
            cases.back().document = Unescape(line.substr(std::min<size_t>(4, line.size())));
        } else if (line.rfind("  = ", 0) == 0) {
            cases.back().expected += Unescape(line.substr(4)) + (cases.back().kind == "dump" ? "\n" : "");
        } else if (!line.empty()) {
            cases.push_back({purpose, line, "", ""});
        }
    }
    return cases;
}

}  // namespace

TEST(XmlTreeTest, CommittedDocumentsGiveTheirContentsTreesOrDiagnostics) {
    const std::vector<DocumentCase> cases = CommittedDocuments();
    ASSERT_GE(cases.size(), 30u);
    for (const DocumentCase& c : cases) {
        SCOPED_TRACE(c.purpose);
        const bool error = c.kind.rfind("error ", 0) == 0;
        Parsed parsed = Parse(c.document, c.kind == "contents 0" ? 0 : 1);
        ASSERT_NE(parsed.parser, nullptr);
        ASSERT_EQ(parsed.result, error ? 0 : 1);
        if (c.kind == "dump") {
            EXPECT_EQ(Dump(parsed.tree.get()), c.expected);
        } else if (!error) {
            EXPECT_EQ(ContentsOf(GetRootElement(parsed.tree.get())), c.expected);
        } else {
            EXPECT_EQ(GetXmlTree(parsed.parser.get()), nullptr);
            EXPECT_EQ(GetXmlError(), kXmlErrorExpat);
            EXPECT_STREQ(GetXmlErrorText(GetXmlError()), "Internal Expat parser error");
            const int code = GetExpatErrorCode(parsed.parser.get());
            EXPECT_EQ(c.kind, "error " + std::to_string(GetExpatErrorLine(parsed.parser.get())) + ":" +
                                  std::to_string(GetExpatErrorColumn(parsed.parser.get())) + " " +
                                  GetExpatErrorText(code));
            EXPECT_STREQ(GetExpatErrorText(code), XML_ErrorString(static_cast<XML_Error>(code)));
        }
    }
}

TEST(XmlTreeTest, LongTextDeliveredInPiecesIsJoined) {
    std::string lines;
    for (int i = 0; i < 20000; ++i) lines += "line " + std::to_string(i) + " &amp; more\n";
    Parsed parsed = Parse("<r>\n" + lines + "</r>");
    ASSERT_EQ(parsed.result, 1);
    std::string expected;
    for (int i = 0; i < 20000; ++i) expected += "line " + std::to_string(i) + " & more\n";
    expected.pop_back();
    EXPECT_EQ(ContentsOf(GetRootElement(parsed.tree.get())), expected);
}

TEST(XmlTreeTest, ChildrenKeepDocumentOrderAndLinks) {
    Parsed parsed = Parse("<Song><A/><B><C/></B><\xC3\x89l\xC3\xA9ment/></Song>");
    ASSERT_EQ(parsed.result, 1);
    XmlElement* root = GetRootElement(parsed.tree.get());
    EXPECT_STREQ(GetElementName(root), "Song");
    EXPECT_EQ(root->parent, nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"A", "B", "\xC3\x89l\xC3\xA9ment"}));
    EXPECT_EQ(root->childCount, 3u);
    XmlElement* a = NextChildElement(root, nullptr);
    XmlElement* b = NextChildElement(root, a);
    EXPECT_EQ(a->previous, nullptr);
    EXPECT_EQ(b->previous, a);
    EXPECT_EQ(b->parent, root);
    EXPECT_EQ(root->lastChild->previous, b);
    EXPECT_EQ(NextChildElement(root, root->lastChild), nullptr);
    // A childless parent answers none at once.
    EXPECT_EQ(NextChildElement(a, nullptr), nullptr);
    EXPECT_EQ(a->childCount, 0u);
    EXPECT_EQ(ChildNames(b), (std::vector<std::string>{"C"}));
}

TEST(XmlTreeTest, PostOrderVisitsChildrenFirstAndStaysInsideTheStart) {
    Parsed parsed = Parse("<r><a><b/><c><d/></c></a><e/></r>");
    ASSERT_EQ(parsed.result, 1);
    XmlElement* root = GetRootElement(parsed.tree.get());
    EXPECT_EQ(PostOrderNames(root), (std::vector<std::string>{"b", "d", "c", "a", "e", "r"}));
    // A start with siblings and a parent: only its own subtree.
    EXPECT_EQ(PostOrderNames(NextChildElement(root, nullptr)), (std::vector<std::string>{"b", "d", "c", "a"}));
    EXPECT_EQ(PostOrderNames(root->lastChild), (std::vector<std::string>{"e"}));
    EXPECT_TRUE(PostOrderNames(nullptr).empty());
}

TEST(XmlTreeTest, AttributesKeepStartTagOrderAndReplaceInPlace) {
    Parsed parsed = Parse("<r b=\"2\" a=\"1\" c=\"&lt;3&gt;\"/>");
    ASSERT_EQ(parsed.result, 1);
    XmlElement* root = GetRootElement(parsed.tree.get());
    auto listed = [root] {
        std::string text;
        for (XmlAttribute* a = root->firstAttribute; a; a = a->next) text += std::string(a->name) + "=" + a->value + ";";
        std::string backwards;
        for (XmlAttribute* a = root->lastAttribute; a; a = a->previous)
            backwards = std::string(a->name) + "=" + a->value + ";" + backwards;
        EXPECT_EQ(text, backwards);
        return text;
    };
    EXPECT_EQ(listed(), "b=2;a=1;c=<3>;");
    EXPECT_EQ(root->attributeCount, 3u);

    struct Step {
        const char* name;
        const char* value;
        const char* expected;
        unsigned count;
    };
    const Step steps[] = {
        {"a", "one", "b=2;a=one;c=<3>;", 3},  // equal name: replaced where it stands
        {"A", "big", "b=2;a=one;c=<3>;A=big;", 4},  // names compare byte for byte
        {"c", "", "b=2;a=one;c=;A=big;", 4},
        {"d", "4", "b=2;a=one;c=;A=big;d=4;", 5},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(AddXmlAttribute(parsed.tree.get(), root, s.name, s.value), 1);
        EXPECT_EQ(listed(), s.expected);
        EXPECT_EQ(root->attributeCount, s.count);
    }
}

TEST(XmlTreeTest, XmlDeclarationTextsAreStored) {
    struct Case {
        std::string document;
        const char* version;   // nullptr: absent
        const char* encoding;  // nullptr: absent
    };
    const Case cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r/>", "1.0", "UTF-8"},
        {"<?xml version=\"1.0\" standalone=\"yes\"?><r/>", "1.0", nullptr},
        {"<r/>", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.document);
        Parsed parsed = Parse(c.document);
        ASSERT_EQ(parsed.result, 1);
        const XmlTree* tree = parsed.tree.get();
        EXPECT_EQ(tree->version.value_or("<absent>"), c.version ? c.version : "<absent>");
        EXPECT_EQ(tree->encoding.value_or("<absent>"), c.encoding ? c.encoding : "<absent>");
        EXPECT_STREQ(GetElementName(GetRootElement(tree)), "r");
    }
}

TEST(XmlTreeTest, ErrorTextsAndTheUnknownCodeBuffer) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {0, "No error"},
        {1, "Out of memory"},
        {2, "Input/Output error"},
        {3, "Callback error"},
        {4, "Internal Expat parser error"},
        {7, "Unknown error code (7)"},
        {-1, "Unknown error code (-1)"},
        {-2147483647 - 1, "Unknown error code (-2147483648)"},
    };
    for (const Case& c : cases) EXPECT_STREQ(GetXmlErrorText(c.code), c.text) << c.code;
    // One shared buffer: the next unknown code overwrites the text.
    const char* first = GetXmlErrorText(5);
    const char* second = GetXmlErrorText(6);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "Unknown error code (6)");
    // Expat knows no code 10000; the text must still be printable.
    EXPECT_STREQ(GetExpatErrorText(10000), "");
}

TEST(XmlTreeTest, TreeOutlivesItsParserAndUntakenTreesGoWithIt) {
    XmlParser* parser = CreateXmlParser();
    ASSERT_NE(parser, nullptr);
    const std::string document = "<r><a>text</a></r>";
    ASSERT_EQ(ParseXmlBuffer(parser, document.data(), document.size()), 1);
    XmlTree* tree = GetXmlTree(parser);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(GetXmlTree(parser), nullptr);  // handed out once
    FreeXmlParser(parser);
    EXPECT_EQ(ContentsOf(NextChildElement(GetRootElement(tree), nullptr)), "text");
    FreeXmlTree(tree);

    // Never taken, or left partial by a failure: released with the parser
    // (the leak checker of the sanitizer build watches both).
    for (const std::string& text : {std::string("<r><a/></r>"), std::string("<r><a><b>x")}) {
        XmlParser* other = CreateXmlParser();
        ASSERT_NE(other, nullptr);
        ParseXmlBuffer(other, text.data(), text.size());
        FreeXmlParser(other);
    }
    FreeXmlParser(nullptr);
    FreeXmlTree(nullptr);
}

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
        if (!parsed.parser) {
            EXPECT_EQ(GetXmlError(), kXmlErrorOutOfMemory);
            ++failures;
            continue;
        }
        if (parsed.result == 0) {
            // The abort is ours: the code says memory, not Expat.
            EXPECT_EQ(GetXmlError(), kXmlErrorOutOfMemory);
            EXPECT_EQ(GetXmlTree(parsed.parser.get()), nullptr);
            ++failures;
            continue;
        }
        // Enough allocations for the whole document: the tree is complete.
        XmlElement* root = GetRootElement(parsed.tree.get());
        EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"a", "b"}));
        EXPECT_EQ(ContentsOf(root), "text");
        EXPECT_EQ(ContentsOf(root->firstChild), "one\n two");
        EXPECT_STREQ(root->lastChild->firstAttribute->value, "y");
        EXPECT_EQ(*parsed.tree->encoding, "UTF-8");
        break;
    }
    EXPECT_GT(failures, 10);

    XmlParser* parser = CreateXmlParser();
    ASSERT_NE(parser, nullptr);
    const std::string simple = "<r/>";
    ASSERT_EQ(ParseXmlBuffer(parser, simple.data(), simple.size()), 1);
    XmlTreePtr tree(GetXmlTree(parser));
    FreeXmlParser(parser);
    SetXmlAllocationFailure(1);
    EXPECT_EQ(AddXmlAttribute(tree.get(), GetRootElement(tree.get()), "a", "1"), 0);
    SetXmlAllocationFailure(0);
    EXPECT_EQ(GetRootElement(tree.get())->attributeCount, 0u);
    EXPECT_EQ(GetRootElement(tree.get())->firstAttribute, nullptr);
}

TEST(XmlTreeTest, AMillionLevelsDeepParseAndReleaseWithoutRecursion) {
    constexpr size_t kDepth = 1000000;
    std::string document;
    document.reserve(kDepth * 7);
    for (size_t i = 0; i < kDepth; ++i) document += "<a>";
    document += "x";
    for (size_t i = 0; i < kDepth; ++i) document += "</a>";

    Parsed parsed = Parse(document);
    ASSERT_EQ(parsed.result, 1);
    struct Count {
        size_t visited = 0;
        size_t withText = 0;
    } count;
    VisitXmlPostOrder(
        GetRootElement(parsed.tree.get()),
        [](XmlElement* e, void* c) {
            auto* n = static_cast<Count*>(c);
            if (n->visited++ == 0 && GetElementContents(e)) ++n->withText;  // the innermost comes first
        },
        &count);
    EXPECT_EQ(count.visited, kDepth);
    EXPECT_EQ(count.withText, 1u);
    parsed.tree.reset();

    // Unclosed: the partial tree of the failed parse is released with its parser.
    document.resize(kDepth * 3);
    Parsed failed = Parse(document);
    EXPECT_EQ(failed.result, 0);
    EXPECT_EQ(GetXmlError(), kXmlErrorExpat);
}

TEST(XmlTreeTest, BufferAboveFourGigabytesIsNotCutToItsLowBits) {
    // 4 GiB + 4 bytes: as an int the length would be 4, just the valid "<r/>".
    const size_t size = (size_t{1} << 32) + 4;
    HeapBuffer buffer = HeapAllocZeroed(size);
    if (!buffer) GTEST_SKIP() << "no address space for 4 GiB";
    std::memcpy(buffer.get(), "<r/>", 4);
    XmlParserPtr parser(CreateXmlParser());
    ASSERT_NE(parser, nullptr);
    EXPECT_EQ(ParseXmlBuffer(parser.get(), buffer.get(), size), 0);
    EXPECT_EQ(GetXmlError(), kXmlErrorExpat);
    EXPECT_EQ(GetExpatErrorCode(parser.get()), XML_ERROR_INVALID_TOKEN);
    EXPECT_EQ(GetExpatErrorColumn(parser.get()), 4);
}

namespace {

// The document written straight into the parser's own buffer.
Parsed ParseInPlace(std::string_view document) {
    Parsed parsed;
    parsed.parser.reset(CreateXmlParser());
    if (!parsed.parser) return parsed;
    char* buffer = GetXmlParseBuffer(parsed.parser.get(), document.size());
    if (!buffer) return parsed;
    std::memcpy(buffer, document.data(), document.size());
    parsed.result = ParseXmlInPlace(parsed.parser.get(), document.size());
    if (parsed.result) parsed.tree.reset(GetXmlTree(parsed.parser.get()));
    return parsed;
}

}  // namespace

// Elements, names and texts live in blocks of the tree: documents that fill
// many blocks, need blocks of their own for long texts, or have enough names
// to grow the name table keep every element whole.
TEST(XmlTreeTest, LargeDocumentsKeepEveryElementNameAndText) {
    std::string document = "<root>";
    std::string expected = "root [<absent>]\n";
    for (int i = 0; i < 6000; ++i) {
        // 400 distinct names, reused; every 500th element has a 40 KiB text.
        const std::string name = "element" + std::to_string(i % 400);
        const std::string text = i % 500 == 0 ? std::string(40 << 10, static_cast<char>('a' + i % 26))
                                              : "text " + std::to_string(i);
        document += "<" + name + " n=\"" + std::to_string(i) + "\"> " + text + " </" + name + ">";
        expected += " " + name + " n=" + std::to_string(i) + " [" + text + "]\n";
    }
    document += "</root>";
    Parsed parsed = Parse(document);
    ASSERT_EQ(parsed.result, 1);
    EXPECT_EQ(Dump(parsed.tree.get()), expected);
    // A name used again is the same text, not a copy.
    XmlElement* first = NextChildElement(GetRootElement(parsed.tree.get()), nullptr);
    XmlElement* again = first;
    for (int i = 0; i < 400; ++i) again = NextChildElement(GetRootElement(parsed.tree.get()), again);
    EXPECT_STREQ(GetElementName(again), "element0");
    EXPECT_EQ(static_cast<const void*>(GetElementName(again)), static_cast<const void*>(GetElementName(first)));
}

TEST(XmlTreeTest, ParsingInPlaceBuildsTheSameTreeAndReportsTheSameErrors) {
    std::string many = "<r>";
    for (int i = 0; i < 3000; ++i) many += "<e a=\"" + std::to_string(i) + "\">\n  x" + std::to_string(i) + "\n</e>";
    many += "</r>";
    std::vector<std::string> cases{many};
    for (const DocumentCase& c : CommittedDocuments())
        if (!c.document.empty()) cases.push_back(c.document);  // no buffer of 0 bytes is handed out
    for (const std::string& document : cases) {
        SCOPED_TRACE(document.substr(0, 40));
        Parsed copied = Parse(document);
        Parsed inPlace = ParseInPlace(document);
        ASSERT_NE(inPlace.parser, nullptr);
        ASSERT_EQ(inPlace.result, copied.result);
        if (copied.result) {
            EXPECT_EQ(Dump(inPlace.tree.get()), Dump(copied.tree.get()));
            continue;
        }
        EXPECT_EQ(GetXmlError(), kXmlErrorExpat);
        EXPECT_EQ(GetExpatErrorCode(inPlace.parser.get()), GetExpatErrorCode(copied.parser.get()));
        EXPECT_EQ(GetExpatErrorLine(inPlace.parser.get()), GetExpatErrorLine(copied.parser.get()));
        EXPECT_EQ(GetExpatErrorColumn(inPlace.parser.get()), GetExpatErrorColumn(copied.parser.get()));
    }
}

TEST(XmlTreeTest, ParseBufferIsHandedOutOnlyForWhatItCanHold) {
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
    EXPECT_EQ(ParseXmlInPlace(parser.get(), 4), 1);
    XmlTreePtr tree(GetXmlTree(parser.get()));
    EXPECT_STREQ(GetElementName(GetRootElement(tree.get())), "r");
}
