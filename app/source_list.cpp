#include "app/source_list.hpp"

#include "app/paths.hpp"
#include "app/text.hpp"
#include "archive/archive_file.hpp"
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

struct ArchivePattern {
  std::string archive;  // the archives' path, a wildcard in its last part
  std::string member;   // a wildcard over member paths; empty for every map
};

// The ways a path may name members of archives whose names `is_archive` takes, the rightmost
// archive first: "game.grp/e1l1.map" and "pack.zip/maps/e1l1.map" members, "game.grp.map" and
// "game.grp/.map" (what -In makes of "game.grp" and "game.grp/") every map, as a folder would.
std::vector<ArchivePattern> ArchivePatterns(std::string_view path, bool (*is_archive)(std::string_view)) {
  std::vector<ArchivePattern> patterns;
  if (EndsWithIgnoringCase(path, kMapExtension)) {
    std::string_view whole = path.substr(0, path.size() - kMapExtension.size());
    if (!whole.empty() && whole.back() == '/') whole.remove_suffix(1);
    if (is_archive(whole)) patterns.push_back({std::string(whole), ""});
  }
  for (std::size_t slash = path.rfind('/'); slash != std::string_view::npos && slash > 0;
       slash = path.rfind('/', slash - 1)) {
    const std::string_view rest = path.substr(slash + 1);
    if (is_archive(path.substr(0, slash)) && rest != kMapExtension) {
      patterns.push_back({std::string(path.substr(0, slash)), std::string(rest)});
    }
  }
  return patterns;
}

bool Fits(std::string_view pattern, std::string_view name) {
  return pattern.empty() ? EndsWithIgnoringCase(name, kMapExtension) : MatchWildcard(pattern, name);
}

// What of a group in a zip the member pattern names: every map when it names the whole zip.
const std::string* NestedPattern(const std::vector<ArchivePattern>& nested, std::string_view group) {
  for (const ArchivePattern& pattern : nested) {
    if (pattern.archive.empty() || MatchWildcard(pattern.archive, group)) return &pattern.member;
  }
  return nullptr;
}

class ArchiveLister {
 public:
  ArchiveLister(std::string folder, std::int32_t version, std::vector<SourceEntry>& entries)
      : folder_(std::move(folder)), version_(version), entries_(entries) {}

  void Add(const std::string& path, const std::string& pattern) {
    std::vector<ArchiveMember> members;
    const MapError read = ReadArchive(path, members);
    if (read != Ok) {
      entries_.push_back({path, "", "", {}, read});
      return;
    }
    const std::vector<ArchivePattern> nested = IsGroupFileName(path) ? std::vector<ArchivePattern>()
                                               : pattern.empty()     ? std::vector<ArchivePattern>{{"", ""}}
                                                                     : ArchivePatterns(pattern, IsGroupFileName);
    for (const ArchiveMember& member : members) {
      const std::string title = MemberTitle(path, member.name);
      const std::string* inner = IsGroupFileName(member.name) ? NestedPattern(nested, member.name) : nullptr;
      if (Fits(pattern, member.name)) {
        AddMember(title, path, {member});
      } else if (inner != nullptr) {
        AddNestedGroup(title, path, member, *inner);
      }
    }
  }

 private:
  void AddNestedGroup(const std::string& title, const std::string& path, const ArchiveMember& group,
                      const std::string& pattern) {
    std::vector<ArchiveMember> members;
    const MapError read = ReadNestedGroup(path, group, members);
    if (read != Ok) entries_.push_back({title, "", "", {}, read});
    for (const ArchiveMember& member : members) {
      if (Fits(pattern, member.name)) AddMember(MemberTitle(title, member.name), path, {group, member});
    }
  }

  // Beside the archive, never inside it.
  void AddMember(std::string title, const std::string& path, std::vector<ArchiveMember> chain) {
    std::string output = folder_ + OutputNameFor(LastNamePart(chain.back().name), version_);
    entries_.push_back({std::move(title), std::move(output), path, std::move(chain), Ok});
  }

  std::string folder_;
  std::int32_t version_;
  std::vector<SourceEntry>& entries_;
};

}  // namespace

std::vector<SourceEntry> BuildFileList(const std::string& source_path, std::int32_t version) {
  const PathParts parts = SplitPath(source_path);
  std::vector<SourceEntry> entries;
  for (const std::string& name : MatchingFiles(parts)) {
    const std::string path = parts.directory + name;
    entries.push_back({path, OutputNameFor(path, version), "", {}, Ok});
  }
  if (!entries.empty()) return entries;
  // The rightmost archive that is a file: a folder "x.grp" may hold a group file.
  for (const ArchivePattern& pattern : ArchivePatterns(source_path, IsArchiveName)) {
    const PathParts archive = SplitPath(pattern.archive);
    ArchiveLister lister(archive.directory, version, entries);
    bool found = false;
    for (const std::string& name : MatchingFiles(archive)) {
      if (!IsArchiveName(name)) continue;
      lister.Add(archive.directory + name, pattern.member);
      found = true;
    }
    if (found) break;
  }
  return entries;
}

}  // namespace tessaro
