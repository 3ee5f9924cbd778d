#include "app/source_list.hpp"

#include "app/paths.hpp"
#include "app/text.hpp"
#include "grp/group_file.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

namespace {

constexpr std::string_view kMapExtension = ".map";

// Names of the folder that fit the pattern, spelled as the file system spells them.
std::vector<std::string> MatchingFiles(const PathParts& parts) {
  std::vector<std::string> names;
  std::vector<std::string> matching;
  if (ListDirectory(parts.directory, kAttrReadOnly, names) != FileStatus::Ok) return matching;
  for (const std::string& name : names) {
    if (MatchWildcard(parts.name, name)) matching.push_back(name);
  }
  return matching;
}

struct GroupPattern {
  PathParts group;     // the group files' folder and name pattern
  std::string member;  // a wildcard; empty for every member whose name ends in ".map"
};

// "game.grp/e1l1.map" names members of game.grp; "game.grp.map", the whole group.
bool NamesGroup(const PathParts& parts, GroupPattern& pattern) {
  std::string_view folder = parts.directory;
  if (!folder.empty()) folder.remove_suffix(1);  // the "/" that ends it
  if (IsGroupFileName(folder)) {
    // "game.grp/" alone, which -In makes "game.grp/.map", names the whole group as a folder would.
    pattern = {SplitPath(folder), parts.name == kMapExtension ? "" : parts.name};
    return true;
  }
  const std::string_view name = parts.name;
  if (!EndsWithIgnoringCase(name, ".grp.map")) return false;
  pattern = {{parts.directory, std::string(name.substr(0, name.size() - kMapExtension.size()))}, ""};
  return true;
}

void AddMembers(const GroupPattern& pattern, std::int32_t version, std::vector<SourceEntry>& entries) {
  for (const std::string& name : MatchingFiles(pattern.group)) {
    if (!IsGroupFileName(name)) continue;
    const std::string path = pattern.group.directory + name;
    std::vector<GroupMember> members;
    const MapError read = ReadGroupFile(path, members);
    if (read != Ok) {
      entries.push_back({path, "", "", {}, read});
      continue;
    }
    for (GroupMember& member : members) {
      const bool fits = pattern.member.empty() ? EndsWithIgnoringCase(member.name, kMapExtension)
                                               : MatchWildcard(pattern.member, member.name);
      if (!fits) continue;
      // Beside the group, never inside it.
      std::string output = pattern.group.directory + OutputNameFor(member.name, version);
      entries.push_back({MemberTitle(path, member.name), std::move(output), path, std::move(member), Ok});
    }
  }
}

}  // namespace

std::vector<SourceEntry> BuildFileList(const std::string& source_path, std::int32_t version) {
  const PathParts parts = SplitPath(source_path);
  std::vector<SourceEntry> entries;
  for (const std::string& name : MatchingFiles(parts)) {
    const std::string path = parts.directory + name;
    entries.push_back({path, OutputNameFor(path, version), "", {}, Ok});
  }
  GroupPattern pattern;
  if (entries.empty() && NamesGroup(parts, pattern)) AddMembers(pattern, version, entries);
  return entries;
}

}  // namespace tessaro
