#include "tiles/swap_script.hpp"

#include <array>

#include "console/console.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

namespace {

ScriptResult FromFileStatus(FileStatus status, ScriptResult otherwise) {
  return status == FileStatus::NoHandle ? ScriptNoHandle : otherwise;
}

}  // namespace

ScriptResult LoadSwapScript(const std::string& path, TileSwapTable& table) {
  PrintText(LoadingLine(path), true);
  // A script on a disc or from an archive is read-only; it is read all the same.
  std::string found;
  const FileStatus search = FindFile(path, kAttrReadOnly, found);
  if (search != FileStatus::Ok) return FromFileStatus(search, ScriptNotFound);
  InputFile file;
  const FileStatus opened = file.Open(found);
  if (opened != FileStatus::Ok) return FromFileStatus(opened, ScriptUnreadable);
  if (file.Length() == 0) return ScriptEmpty;

  SwapScriptReader reader(table);
  std::array<std::uint8_t, 64 * 1024> chunk{};
  std::size_t got = 0;
  // A read error ends the text like its end does.
  while (file.Read(chunk, got) == FileStatus::Ok && got > 0 && reader.Feed(std::span(chunk).first(got))) {
  }
  return reader.Finish();
}

}  // namespace tessaro
