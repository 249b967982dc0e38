// The DAT reader over both catalogue forms and every kind of bad input,
// entity bombs and external entities among them.

#include "identify/dat_reader.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarnik::identify {
namespace {

struct Read_Entry {
  std::string rom, game, sha1;
  uint32_t size, crc;
  friend bool operator==(const Read_Entry&, const Read_Entry&) = default;
};

struct Read_Result {
  Dat_Outcome outcome;
  std::vector<Read_Entry> entries;
};

Read_Result Read(const std::string& text) {
  std::istringstream in(text);
  Read_Result result;
  result.outcome = Read_Dat(in, [&result](const Dat_Entry& entry) {
    result.entries.push_back({std::string(entry.rom), std::string(entry.game),
                              std::string(entry.sha1), entry.size, entry.crc});
  });
  return result;
}

const std::string Sha = "0123456789abcdef0123456789abcdef01234567";

std::string Datafile_With(const std::string& rom_attributes) {
  return "<?xml version=\"1.0\"?><datafile><game name=\"g\"><rom name=\"r\" " + rom_attributes +
         "/></game></datafile>";
}

std::string Billion_Laughs() {
  std::string text = "<?xml version=\"1.0\"?><!DOCTYPE datafile [<!ENTITY l0 \"ha\">";
  for (int i = 1; i < 10; ++i) {
    text += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) text += "&l" + std::to_string(i - 1) + ";";
    text += "\">";
  }
  return text + "]><datafile><header><name>&l9;</name></header></datafile>";
}

TEST(Dat_Reader, Both_Forms_Give_Their_Entries) {
  const std::string datafile =
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE datafile PUBLIC \"-//Example//DTD ROM Datafile//EN\" \"http://example.invalid/d.dtd\">\n"
      "<datafile><header><name>  Colour Proms </name><version>1</version></header>\n"
      "<game name=\"board\"><description>b</description>\n"
      "<rom name=\"a.6f\" size=\"32\" crc=\"DEADBEEF\" sha1=\"" + Sha + "\"/>\n"
      "<rom name=\"b.7f\" size=\"256\" crc=\"0000000a\"/></game>\n"
      "<game name=\"other\"><rom name=\"c\" size=\"1024\" crc=\"12345678\" status=\"baddump\"/></game>"
      "</datafile>";
  const Read_Result file = Read(datafile);
  EXPECT_EQ(file.outcome.error, "");
  EXPECT_EQ(file.outcome.name, "Colour Proms");
  const std::vector<Read_Entry> want = {{"a.6f", "board", Sha, 32, 0xDEADBEEF},
                                        {"b.7f", "board", "", 256, 10},
                                        {"c", "other", "", 1024, 0x12345678}};
  EXPECT_EQ(file.entries, want);

  // The form emulators print: an internal DTD of element declarations, and
  // entries that were never dumped, which carry no CRC.
  const std::string machines =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE mame [\n<!ELEMENT mame (machine+)>\n"
      "<!ATTLIST mame build CDATA #IMPLIED>\n]>\n<mame build=\"x\">\n"
      "<machine name=\"m1\"><rom name=\"p\" size=\"512\" crc=\"abcdef01\" sha1=\"" + Sha +
      "\" region=\"proms\"/><rom name=\"gone\" size=\"256\" status=\"nodump\"/>"
      "<disk name=\"d\" sha1=\"" + Sha + "\"/></machine></mame>";
  const Read_Result list = Read(machines);
  EXPECT_EQ(list.outcome.error, "");
  EXPECT_EQ(list.outcome.name, "");
  EXPECT_EQ(list.entries, (std::vector<Read_Entry>{{"p", "m1", Sha, 512, 0xABCDEF01}}));
}

TEST(Dat_Reader, Bad_Catalogues_Are_Refused_With_The_Reason) {
  const std::string upper_sha(Sha.size(), 'A');
  const struct {
    const char* what;
    std::string text;
    std::string reason;  // found in the error
  } cases[] = {
      {"empty", "", "line 1: no element found"},
      {"not XML", "CRC32 deadbeef\nsize 32\n", "line 1: syntax error"},
      {"truncated", "<?xml version=\"1.0\"?>\n<datafile><game name=\"g\"><rom name=\"r\" si",
       "line 2: unclosed token"},
      {"unclosed", "<datafile><game name=\"g\">", "no element found"},
      {"another root", "<html><body/></html>", "the root element is html, not datafile or mame"},
      {"negative size", Datafile_With("size=\"-1\" crc=\"00000000\""), "rom r has an impossible size"},
      {"size not a number", Datafile_With("size=\"32k\" crc=\"00000000\""), "impossible size"},
      {"size past 4 GiB", Datafile_With("size=\"4294967296\" crc=\"00000000\""), "impossible size"},
      {"no size", Datafile_With("crc=\"00000000\""), "impossible size"},
      {"short CRC", Datafile_With("size=\"32\" crc=\"1234567\""), "a CRC that is not 8 hex digits"},
      {"long CRC", Datafile_With("size=\"32\" crc=\"123456789\""), "not 8 hex digits"},
      {"CRC not hex", Datafile_With("size=\"32\" crc=\"1234567g\""), "not 8 hex digits"},
      {"no CRC", Datafile_With("size=\"32\""), "not 8 hex digits"},
      {"short SHA-1", Datafile_With("size=\"32\" crc=\"12345678\" sha1=\"" + Sha.substr(1) + "\""),
       "a SHA-1 that is not 40 hex digits"},
      {"entity bomb", Billion_Laughs(), "entity declarations are refused"},
      {"external entity",
       "<?xml version=\"1.0\"?><!DOCTYPE datafile [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
       "<datafile><header><name>&x;</name></header></datafile>",
       "entity declarations are refused"},
      {"parameter entity",
       "<?xml version=\"1.0\"?><!DOCTYPE datafile [<!ENTITY % p SYSTEM \"http://example.invalid/\">"
       "%p;]><datafile/>",
       "entity declarations are refused"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Read_Result result = Read(c.text);
    EXPECT_NE(result.outcome.error.find(c.reason), std::string::npos) << result.outcome.error;
    EXPECT_TRUE(result.entries.empty());
  }
  // Upper-case digests are read as the same digests.
  const Read_Result upper = Read(Datafile_With("size=\"1\" crc=\"0000000F\" sha1=\"" + upper_sha + "\""));
  ASSERT_EQ(upper.entries.size(), 1u);
  EXPECT_EQ(upper.entries[0].sha1, std::string(Sha.size(), 'a'));
  EXPECT_EQ(upper.entries[0].crc, 15u);
}

std::string Nested(std::size_t depth) {
  std::string text = "<datafile>";
  for (std::size_t i = 1; i < depth; ++i) text += "<x>";
  for (std::size_t i = 1; i < depth; ++i) text += "</x>";
  return text + "</datafile>";
}

std::string Header_Name(const std::string& name) {
  return "<datafile><header><name>" + name + "</name></header></datafile>";
}

// A catalogue of many ordinary entries, far longer than the markup bound.
std::string Many_Entries(std::size_t count) {
  std::string text = "<datafile><game name=\"g\">";
  for (std::size_t i = 0; i < count; ++i)
    text += "<rom name=\"r" + std::to_string(i) + "\" size=\"32\" crc=\"0000000" +
            std::to_string(i % 10) + "\"/>\n";
  return text + "</game></datafile>";
}

TEST(Dat_Reader, Input_Past_The_Bounds_Is_Refused_At_Them) {
  const std::string value(Longest_Value, 'v');
  std::string wide_tag = "<datafile><game";
  for (int i = 0; i * Longest_Value <= Longest_Markup; ++i)
    wide_tag += " a" + std::to_string(i) + "=\"" + value + "\"";
  const struct {
    const char* what;
    std::string text;
    std::string reason;  // empty: read whole
  } cases[] = {
      {"deepest nesting", Nested(Deepest_Nesting), ""},
      {"one level deeper", Nested(Deepest_Nesting + 1), "line 1: elements nest deeper than 64"},
      {"longest attribute",
       "<datafile><game name=\"" + value + "\"><rom name=\"r\" size=\"1\" crc=\"00000001\"/>"
       "</game></datafile>",
       ""},
      {"attribute a byte longer", "<datafile><game name=\"" + value + "w\"/></datafile>",
       "line 1: an attribute value is longer than 65536 bytes"},
      {"longest text", Header_Name(value), ""},
      {"text a byte longer", Header_Name(value + "w"), "line 1: a text is longer than 65536 bytes"},
      {"text in many lines", Header_Name(std::string(Longest_Markup * 2, '\n')),
       "a text is longer than 65536 bytes"},
      {"long text outside the name", "<datafile><game>" + std::string(Longest_Markup, 't'),
       "a text is longer than 65536 bytes"},
      {"tag of many attributes", wide_tag + "/></datafile>", "line 1: a tag or comment is longer than 1048576 bytes"},
      {"huge comment", "<datafile><!--" + std::string(Longest_Markup * 2, 'c'),
       "a tag or comment is longer than 1048576 bytes"},
      {"unending attribute", "<datafile><game name=\"" + std::string(Longest_Markup * 2, 'n'),
       "a tag or comment is longer than 1048576 bytes"},
      {"unending root", "<datafile name=\"" + std::string(Longest_Markup * 2, 'n'),
       "a tag or comment is longer than 1048576 bytes"},
      {"comment before the root", "<?xml version=\"1.0\"?>\n<!--" + std::string(Longest_Markup * 2, 'c'),
       "line 2: a tag or comment is longer than 1048576 bytes"},
      {"many entries", Many_Entries(40000), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Read_Result result = Read(c.text);
    if (c.reason.empty()) {
      EXPECT_EQ(result.outcome.error, "");
    } else {
      EXPECT_NE(result.outcome.error.find(c.reason), std::string::npos) << result.outcome.error;
      EXPECT_TRUE(result.entries.empty());
    }
  }
  EXPECT_EQ(Read(Many_Entries(40000)).entries.size(), 40000u);
  EXPECT_EQ(Read(Header_Name(value)).outcome.name, std::string(256, 'v'));
}

}  // namespace
}  // namespace tarnik::identify
