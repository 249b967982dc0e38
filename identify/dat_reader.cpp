#include "identify/dat_reader.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>
#include <memory>

namespace tarnik::identify {

namespace {

constexpr std::size_t Chunk_Bytes = Dat_Chunk_Bytes;
constexpr std::size_t Longest_Name = 256;

enum class Place { Outside, Root, Header, Header_Name, Set, Set_Description, Set_Year, Set_Maker, Other };

struct Parse_State {
  XML_Parser parser = nullptr;
  const std::function<void(const Dat_Entry&)>* on_entry = nullptr;
  Dat_Outcome outcome;
  std::vector<Place> places;
  std::string game;
  std::string description;
  std::string year;
  std::string maker;
  std::string parent;
  std::string sha1;
  std::size_t text_length = 0;  // of the text since the last tag

  void Refuse(const std::string& reason) {
    if (outcome.error.empty())
      outcome.error = "line " + std::to_string(XML_GetCurrentLineNumber(parser)) + ": " + reason;
    XML_StopParser(parser, XML_FALSE);
  }
};

const char* Attribute(const XML_Char** attributes, const char* name) {
  for (int i = 0; attributes[i] != nullptr; i += 2)
    if (std::strcmp(attributes[i], name) == 0) return attributes[i + 1];
  return nullptr;
}

bool Parse_Size(const char* text, uint32_t& size) {
  const char* end = text + std::strlen(text);
  if (text == end || !std::all_of(text, end, [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const auto [stop, error] = std::from_chars(text, end, size);
  return error == std::errc{} && stop == end;
}

bool Is_Hex(std::string_view text, std::size_t digits) {
  return text.size() == digits &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); });
}

bool Parse_Crc(const char* text, uint32_t& crc) {
  const std::string_view digits(text);
  if (!Is_Hex(digits, 8)) return false;
  std::from_chars(digits.data(), digits.data() + digits.size(), crc, 16);
  return true;
}

void Read_Rom(Parse_State& state, const XML_Char** attributes) {
  const char* status = Attribute(attributes, "status");
  if (status != nullptr && std::strcmp(status, "nodump") == 0) return;
  const char* name = Attribute(attributes, "name");
  const char* size = Attribute(attributes, "size");
  const char* crc = Attribute(attributes, "crc");
  const char* sha1 = Attribute(attributes, "sha1");
  Dat_Entry entry;
  if (name == nullptr || *name == '\0') return state.Refuse("a rom without a name");
  entry.rom = std::string_view(name).substr(0, Longest_Name);
  if (size == nullptr || !Parse_Size(size, entry.size))
    return state.Refuse("rom " + std::string(entry.rom) + " has an impossible size");
  if (crc == nullptr || !Parse_Crc(crc, entry.crc))
    return state.Refuse("rom " + std::string(entry.rom) + " has a CRC that is not 8 hex digits");
  if (sha1 != nullptr) {
    if (!Is_Hex(sha1, 40))
      return state.Refuse("rom " + std::string(entry.rom) + " has a SHA-1 that is not 40 hex digits");
    state.sha1 = sha1;
    std::transform(state.sha1.begin(), state.sha1.end(), state.sha1.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    entry.sha1 = state.sha1;
  }
  entry.game = state.game;
  entry.description = state.description;
  entry.year = state.year;
  entry.manufacturer = state.maker;
  entry.parent = state.parent;
  const char* region = Attribute(attributes, "region");
  if (region != nullptr) entry.region = std::string_view(region).substr(0, Longest_Name);
  entry.bad_dump = status != nullptr && std::strcmp(status, "baddump") == 0;
  ++state.outcome.entries;
  (*state.on_entry)(entry);
}

std::string Attribute_Text(const XML_Char** attributes, const char* name) {
  const char* value = Attribute(attributes, name);
  return std::string(value == nullptr ? "" : value).substr(0, Longest_Name);
}

void Start_Set(Parse_State& state, const XML_Char** attributes) {
  state.game = Attribute_Text(attributes, "name");
  state.parent = Attribute_Text(attributes, "cloneof");
  if (state.parent.empty()) state.parent = Attribute_Text(attributes, "romof");
  state.description.clear();
  state.year.clear();
  state.maker.clear();
}

// Where a new element sits, from where its parent sits.
Place Child_Place(Parse_State& state, Place parent, const char* element,
                  const XML_Char** attributes) {
  const std::string_view name(element);
  switch (parent) {
    case Place::Outside:
      if (name == "datafile" || name == "mame") return Place::Root;
      state.Refuse("the root element is " + std::string(name.substr(0, Longest_Name)) +
                   ", not datafile or mame");
      return Place::Other;
    case Place::Root:
      if (name == "header") return Place::Header;
      if (name == "game" || name == "machine") {
        Start_Set(state, attributes);
        return Place::Set;
      }
      return Place::Other;
    case Place::Header:
      return name == "name" ? Place::Header_Name : Place::Other;
    case Place::Set:
      if (name == "rom") Read_Rom(state, attributes);
      if (name == "description") return Place::Set_Description;
      if (name == "year") return Place::Set_Year;
      if (name == "manufacturer") return Place::Set_Maker;
      return Place::Other;
    default:
      return Place::Other;
  }
}

// Why an element cannot be read within the bounds; empty when it can.
std::string Past_Bounds(const Parse_State& state, const XML_Char** attributes) {
  if (state.places.size() >= Deepest_Nesting)
    return "elements nest deeper than " + std::to_string(Deepest_Nesting);
  for (int i = 1; attributes[i - 1] != nullptr; i += 2)
    if (std::strlen(attributes[i]) > Longest_Value)
      return "an attribute value is longer than " + std::to_string(Longest_Value) + " bytes";
  return "";
}

void XMLCALL On_Start(void* data, const XML_Char* element, const XML_Char** attributes) {
  auto& state = *static_cast<Parse_State*>(data);
  state.text_length = 0;
  if (const std::string reason = Past_Bounds(state, attributes); !reason.empty()) {
    state.Refuse(reason);
    state.places.push_back(Place::Other);
    return;
  }
  const Place parent = state.places.empty() ? Place::Outside : state.places.back();
  state.places.push_back(Child_Place(state, parent, element, attributes));
}

void XMLCALL On_End(void* data, const XML_Char*) {
  auto& state = *static_cast<Parse_State*>(data);
  state.text_length = 0;
  if (!state.places.empty()) state.places.pop_back();
}

// Where the text of an element is kept; none for an element whose text is
// not used.
std::string* Text_Kept_In(Parse_State& state, Place place) {
  switch (place) {
    case Place::Header_Name: return &state.outcome.name;
    case Place::Set_Description: return &state.description;
    case Place::Set_Year: return &state.year;
    case Place::Set_Maker: return &state.maker;
    default: return nullptr;
  }
}

void XMLCALL On_Text(void* data, const XML_Char* text, int length) {
  auto& state = *static_cast<Parse_State*>(data);
  state.text_length += static_cast<std::size_t>(length);
  if (state.text_length > Longest_Value)
    return state.Refuse("a text is longer than " + std::to_string(Longest_Value) + " bytes");
  std::string* kept = state.places.empty() ? nullptr : Text_Kept_In(state, state.places.back());
  if (kept == nullptr) return;
  std::string& name = *kept;
  const std::size_t room = Longest_Name - std::min(Longest_Name, name.size());
  name.append(text, std::min<std::size_t>(room, static_cast<std::size_t>(length)));
}

void XMLCALL On_Entity_Declaration(void* data, const XML_Char*, int, const XML_Char*, int,
                                   const XML_Char*, const XML_Char*, const XML_Char*,
                                   const XML_Char*) {
  static_cast<Parse_State*>(data)->Refuse("entity declarations are refused");
}

int XMLCALL On_External_Entity(XML_Parser, const XML_Char*, const XML_Char*, const XML_Char*,
                               const XML_Char*) {
  return XML_STATUS_ERROR;
}

// The parser holds a tag, comment or declaration whole until its end has
// been read; past the bound the file is refused before it is held further.
bool Holds_Too_Much(XML_Parser parser) {
  int offset = 0;
  int size = 0;
  if (XML_GetInputContext(parser, &offset, &size) == nullptr) return false;
  return static_cast<std::size_t>(size - offset) > Longest_Markup;
}

std::string Trim(std::string text) {
  const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), blank));
  text.erase(std::find_if_not(text.rbegin(), text.rend(), blank).base(), text.end());
  return text;
}

struct Parser_Free {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

Dat_Outcome Read_Dat(std::istream& in, const std::function<void(const Dat_Entry&)>& on_entry,
                     const Keep_Alive& keep_alive) {
  const std::unique_ptr<XML_ParserStruct, Parser_Free> parser(XML_ParserCreate(nullptr));
  Parse_State state;
  state.parser = parser.get();
  state.on_entry = &on_entry;
  XML_SetUserData(parser.get(), &state);
  XML_SetElementHandler(parser.get(), On_Start, On_End);
  XML_SetCharacterDataHandler(parser.get(), On_Text);
  XML_SetEntityDeclHandler(parser.get(), On_Entity_Declaration);
  XML_SetExternalEntityRefHandler(parser.get(), On_External_Entity);
  XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  bool last = false;
  while (!last) {
    void* buffer = XML_GetBuffer(parser.get(), static_cast<int>(Chunk_Bytes));
    if (buffer == nullptr) {
      state.outcome.error = "out of memory";
      break;
    }
    in.read(static_cast<char*>(buffer), static_cast<std::streamsize>(Chunk_Bytes));
    const std::streamsize got = in.gcount();
    last = got < static_cast<std::streamsize>(Chunk_Bytes);
    if (in.bad()) {
      state.outcome.error = "the file cannot be read";
      break;
    }
    if (XML_ParseBuffer(parser.get(), static_cast<int>(got), last) != XML_STATUS_OK) {
      if (state.outcome.error.empty())
        state.outcome.error = "line " + std::to_string(XML_GetCurrentLineNumber(parser.get())) +
                              ": " + XML_ErrorString(XML_GetErrorCode(parser.get()));
      break;
    }
    if (Holds_Too_Much(parser.get())) {
      state.outcome.error = "line " + std::to_string(XML_GetCurrentLineNumber(parser.get())) +
                            ": a tag or comment is longer than " + std::to_string(Longest_Markup) +
                            " bytes";
      break;
    }
    if (keep_alive) keep_alive();
  }
  state.outcome.name = Trim(state.outcome.name);
  return state.outcome;
}

}  // namespace tarnik::identify
