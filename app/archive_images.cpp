#include "app/archive_images.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "identify/zip_members.h"

namespace tarnik {

namespace {

constexpr std::string_view Zip_Extension = ".zip";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Member_List(const std::vector<const identify::Zip_Member*>& members) {
  std::string list;
  for (const identify::Zip_Member* member : members)
    list += (list.empty() ? "" : ", ") + member->name + " (" + std::to_string(member->size) +
            " Bytes)";
  return list;
}

std::vector<const identify::Zip_Member*> All_Of(const identify::Zip_Contents& contents) {
  std::vector<const identify::Zip_Member*> all;
  for (const identify::Zip_Member& member : contents.members) all.push_back(&member);
  return all;
}

Archive_Read Named_Member(const Archive_Name& name, const identify::Zip_Contents& contents) {
  Archive_Read read;
  const auto found = std::find_if(contents.members.begin(), contents.members.end(),
                                  [&name](const auto& member) { return member.name == name.member; });
  if (found == contents.members.end()) {
    read.problem = "no member " + name.member + "; it holds " + Member_List(All_Of(contents));
  } else if (!found->data) {
    read.problem = "member " + name.member + " holds " + std::to_string(found->size) +
                   " bytes, more than any part";
  } else {
    read.bytes = std::string(found->data->begin(), found->data->end());
    read.name = name.zip + ":" + name.member;
  }
  return read;
}

// The one member of the part's size; with none or several, the list to
// choose from.
Archive_Read Member_Of_Part_Size(const std::string& zip, const identify::Zip_Contents& contents,
                                 uint32_t part_bytes) {
  std::vector<const identify::Zip_Member*> fitting;
  for (const identify::Zip_Member& member : contents.members)
    if (member.size == part_bytes && member.data) fitting.push_back(&member);
  Archive_Read read;
  if (fitting.size() == 1) {
    read.bytes = std::string(fitting[0]->data->begin(), fitting[0]->data->end());
    read.name = zip + ":" + fitting[0]->name;
    return read;
  }
  const bool none = fitting.empty();
  for (const identify::Zip_Member* member : none ? All_Of(contents) : fitting) {
    if (!member->data) continue;
    read.choice_names.push_back(zip + ":" + member->name);
    read.choice_texts.push_back(member->name + " (" + std::to_string(member->size) + " Bytes)");
  }
  read.problem = (none ? "no member of " : "several members of ") + std::to_string(part_bytes) +
                 " bytes; name one as " + zip + ":MEMBER from " +
                 Member_List(none ? All_Of(contents) : fitting);
  return read;
}

}  // namespace

std::optional<Archive_Name> Split_Archive_Name(const std::string& name) {
  const std::string lower = Lower(name);
  if (lower.size() > Zip_Extension.size() && lower.ends_with(Zip_Extension)) return Archive_Name{name, ""};
  const std::size_t at = lower.find(std::string(Zip_Extension) + ":");
  if (at == std::string::npos || at == 0) return std::nullopt;
  // A plain file whose own name has ".zip:" in it stays a plain file.
  std::error_code error;
  if (std::filesystem::is_regular_file(name, error)) return std::nullopt;
  const std::size_t colon = at + Zip_Extension.size();
  return Archive_Name{name.substr(0, colon), name.substr(colon + 1)};
}

std::optional<Archive_Read> Read_Archive_Image(const std::string& name, uint32_t part_bytes) {
  const std::optional<Archive_Name> archive = Split_Archive_Name(name);
  if (!archive) return std::nullopt;
  const identify::Zip_Contents contents = identify::Read_Zip_Members(archive->zip);
  if (!contents.problem.empty()) {
    Archive_Read refused;
    refused.problem = contents.problem;
    return refused;
  }
  if (!archive->member.empty()) return Named_Member(*archive, contents);
  return Member_Of_Part_Size(archive->zip, contents, part_bytes);
}

}  // namespace tarnik
