// Writes seed documents for xml_fuzzer into the folder argv[1]: each covers one
// structure the element tree handles (declaration and encodings, attributes,
// mixed content, references, CDATA, comments, DTD entities, depth, errors).
#include <string>
#include <vector>

#include "support/Seeds.h"

namespace {

std::string Deep(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += "<d>";
    text += "deep";
    for (int i = 0; i < levels; ++i) text += "</d>";
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<Seed> seeds = {
        {"song.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
         "<RenoiseSong doc_version=\"10\">\r\n  <GlobalSongData>\r\n    <BeatsPerMin>140.5</BeatsPerMin>\r\n"
         "    <TicksPerLine>6</TicksPerLine>\r\n    <SongName> My song </SongName>\r\n    <Artist>Me</Artist>\r\n"
         "  </GlobalSongData>\r\n  <Tracks><SequencerTrack><FilterDevices><Devices>\r\n"
         "    <AudioPluginDevice type=\"AudioPluginDevice\"><PluginName>Vst: Delay</PluginName></AudioPluginDevice>\r\n"
         "  </Devices></FilterDevices></SequencerTrack></Tracks>\r\n</RenoiseSong>\r\n"},
        {"mixed.xml", "<r> x <c/> z <c>in</c>\n\t tail \n</r>"},
        {"attributes.xml", "<r b=\"2\" a='1' c=\"&lt;&#x33;&gt;\"><e k=\"v\"/></r>"},
        {"references.xml", "<r>&amp;&lt;&gt;&quot;&apos;&#233;&#x20AC;</r>"},
        {"cdata-comment.xml", "<r>a<!-- note -->b<![CDATA[<x> & ]]>c<?pi data?></r>"},
        {"doctype.xml", "<!DOCTYPE r [<!ENTITY e \"ent<i>x</i>\"><!ATTLIST r a CDATA \"d\">]><r>&e;</r>"},
        {"latin1.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r n=\"\xE9\">caf\xE9</r>"},
        {"utf8-names.xml",
         "<\xC3\x89l\xC3\xA9ment \xC3\xA9=\"\xE2\x99\xAA\">\xC3\xA9t\xC3\xA9</\xC3\x89l\xC3\xA9ment>"},
        {"utf16-declared-8bit.xml", "<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<RenoiseSong/>"},
        {"utf16le-bom.xml", std::string("\xFF\xFE<\0r\0>\0x\0<\0/\0r\0>\0", 18)},
        {"bom-utf8.xml", "\xEF\xBB\xBF<r>bom</r>"},
        {"deep.xml", Deep(300)},
        {"junk-after-root.xml", "<r/>tail"},
        {"mismatch.xml", "<r>\n  <a>\n  </b>\n</r>"},
        {"standalone.xml", "<?xml version=\"1.0\" standalone=\"yes\"?><r/>"},
    };
    return WriteSeedsMain(argc, argv, seeds);
}
