// The words of a check: each problem's sentence, the capped lines, the verdict and the JSON.
#include <algorithm>

#include "check/map_check.hpp"
#include "map/records.hpp"

namespace tessaro {

namespace {

using enum CheckCode;

class Words {
 public:
  explicit Words(bool commas) : commas_(commas) {}

  bool commas() const { return commas_; }
  std::string Number(std::int64_t n) const { return commas_ ? WithCommas(n) : std::to_string(n); }
  // "1 wall", "2 walls", "no walls"
  std::string Count(std::int64_t n, std::string_view thing, bool no = false) const {
    if (n == 0 && no) return "no " + std::string(thing) + "s";
    return Number(n) + " " + std::string(thing) + (n == 1 ? "" : "s");
  }
  std::string Record(std::string_view kind, std::int64_t n) const { return std::string(kind) + " " + Number(n); }
  // "walls 4 to 9", "wall 4"
  std::string Records(std::string_view kind, std::int64_t first, std::int64_t last) const {
    if (first == last) return Record(kind, first);
    return std::string(kind) + "s " + Number(first) + " to " + Number(last);
  }

 private:
  bool commas_;
};

std::string Sentence(const Problem& p, const FileFit& fit, const Words& w) {
  const auto [a, b, c, d] = p.values;
  const std::string sector = w.Record("sector", p.index);
  const std::string wall = w.Record("wall", p.index);
  const std::string sprite = w.Record("sprite", p.index);
  const std::string has = ", but the map has ";
  switch (p.code) {
    case FileShort: {
      const std::string zeroed = ZeroedText(fit, w.commas());
      return "the file ends " + w.Count(fit.missing, "byte") + " early" +
             (zeroed.empty() ? "" : ": " + zeroed + " read as zeros");
    }
    case FileLong: return w.Count(fit.extra, "byte") + " that are not all zero follow the last record";
    case LimitSectors:
    case LimitWalls:
    case LimitSprites: {
      static constexpr std::string_view kKinds[] = {"sector", "wall", "sprite"};
      const auto kind = kKinds[static_cast<std::size_t>(p.code) - static_cast<std::size_t>(LimitSectors)];
      return w.Count(a, kind) + "; games that load version " + std::to_string(p.index) + " maps take at most " +
             w.Number(b);
    }
    case SectorWallsOutside:
      if (b < 0) return sector + " has " + w.Count(b, "wall");
      if (a < 0 || b == 0) return sector + "'s walls start at " + w.Record("wall", a) + (a < 0 ? "" : has + w.Count(c, "wall"));
      return sector + " holds " + w.Records("wall", a, a + b - 1) + has + w.Count(c, "wall");
    case SectorTooFewWalls: return sector + " has " + w.Count(a, "wall", true);
    case SectorWallsOrder:
      return sector + "'s walls start at " + w.Record("wall", a) + ", not at " + w.Record("wall", b) +
             (p.index == 0 ? "" : " where those of " + w.Record("sector", c) + " end");
    case WallsShared: return sector + " holds " + w.Record("wall", a) + ", which " + w.Record("sector", b) + " holds too";
    case WallsUnowned: return w.Records("wall", p.index, a) + (a == p.index ? " is" : " are") + " in no sector";
    case WallPoint2Outside:
      return wall + " leads to " + w.Record("wall", a) + ", which is not one of the walls of " + w.Record("sector", b) +
             " (" + w.Number(c) + " to " + w.Number(d) + ")";
    case SectorLoopsBroken:
      return "walls " + w.Number(a) + " and " + w.Number(b) + " of " + sector + " both lead to " + w.Record("wall", c);
    case WallZeroLength:
      return wall + " ends where it starts: " + (a == p.index ? "it leads to itself" : w.Record("wall", a) + " is on the same point");
    case WallNextOutside:
      return wall + " links to " + w.Record(a == 0 ? "wall" : "sector", b) + has + w.Count(c, a == 0 ? "wall" : "sector");
    case WallNextHalf:
      return a == -1 ? wall + " links to " + w.Record("sector", b) + " but to no wall"
                     : wall + " links to " + w.Record("wall", a) + " but to no sector";
    case WallNextSelf: return wall + " links to " + w.Record("sector", a) + ", its own";
    case WallNextMismatch:
      return wall + " links to " + w.Record("wall", a) + " in " + w.Record("sector", b) +
             (d < c ? ", which has no walls" : ", whose walls are " + w.Number(c) + " to " + w.Number(d));
    case WallNextOneway:
      return wall + " links to " + w.Record("wall", a) +
             (b == -1 ? ", which links to no wall" : ", whose link leads back to " + w.Record("wall", b));
    case WallNextApart:
      return wall + " and " + w.Record("wall", a) + " link to each other but do not share their ends";
    case SpriteStatusOutside:
      return sprite + " has status " + w.Number(a) + ", outside 0 to " + w.Number(kHighestStatus);
    case SpriteSectorOutside: return sprite + " is in " + w.Record("sector", a) + has + w.Count(b, "sector");
    case SpriteOutsideSector: return sprite + " lies outside its " + w.Record("sector", a);
    case StartSectorOutside: return "the start is in " + w.Record("sector", a) + has + w.Count(b, "sector");
    case StartOutsideSector: return "the start position lies outside its " + w.Record("sector", a);
  }
  return {};
}

std::string Capitalised(std::string_view text) {
  std::string made(text);
  if (!made.empty() && made[0] >= 'a' && made[0] <= 'z') made[0] = static_cast<char>(made[0] - 'a' + 'A');
  return made;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  if (lead < 0xC2 || lead > 0xF4 || at + length > text.size()) return 0;
  // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
  const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string ProblemText(const Problem& problem, const FileFit& fit, bool commas) {
  return Sentence(problem, fit, Words(commas));
}

std::vector<std::string> LimitNotes(const MapFile& map, std::int32_t version) {
  std::vector<std::string> notes;
  for (const Problem& problem : LimitProblems(version, RecordsHeld(map, RecordKind::Sector), RecordsHeld(map, RecordKind::Wall),
                                              RecordsHeld(map, RecordKind::Sprite))) {
    notes.push_back("   Note: " + ProblemText(problem, {}, false));
  }
  return notes;
}

std::vector<CheckLine> CheckLines(const MapCheck& check, bool commas) {
  static constexpr std::string_view kPrefixes[] = {"Error: ", "Warning: ", "Note: "};
  std::vector<CheckLine> lines;
  for (auto from = check.problems.begin(); from != check.problems.end();) {
    const auto to = std::find_if(from, check.problems.end(), [&](const Problem& p) { return p.code != from->code; });
    const std::string_view prefix = kPrefixes[static_cast<std::size_t>(RuleOf(from->code).severity)];
    const auto shown = std::min<std::ptrdiff_t>(to - from, kLinesPerCode);
    for (auto p = from; p != from + shown; ++p) {
      lines.push_back({p->code, std::string(prefix) + ProblemText(*p, check.fit, commas)});
    }
    const std::int64_t more = check.counts[static_cast<std::size_t>(from->code)] - shown;
    if (more > 0) lines.push_back({from->code, "... and " + Words(commas).Number(more) + " more like this"});
    from = to;
  }
  return lines;
}

std::string Verdict(const MapCheck& check, bool commas) {
  const Words words(commas);
  const std::int32_t errors = check.Count(Severity::Error);
  const std::int32_t warnings = check.Count(Severity::Warning);
  const std::int32_t notes = check.Count(Severity::Note);
  std::string verdict = errors + warnings == 0 ? "sound" : "";
  for (const auto& [count, what] : {std::pair{errors, "error"}, {warnings, "warning"}, {notes, "note"}}) {
    if (count > 0) verdict += (verdict.empty() ? "" : ", ") + words.Count(count, what);
  }
  return Capitalised(verdict);
}

namespace {

// JsonString added to `quoted`, as the report adds a string for every problem.
void AddJsonString(std::string& quoted, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  quoted += '"';
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length = byte < 0x80 ? 1 : Utf8Length(text, at);
    if (byte == '"' || byte == '\\') {
      quoted += '\\';
      quoted += text[at];
    } else if (byte < 0x20 || length == 0) {
      quoted += std::string("\\u00") + kHex[byte >> 4] + kHex[byte & 15];
    } else {
      quoted += text.substr(at, length);
    }
    at += std::max<std::size_t>(length, 1);
  }
  quoted += '"';
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string quoted;
  AddJsonString(quoted, text);
  return quoted;
}

std::string CheckJson(std::string_view file, const MapCheck& check) {
  std::string json = "{\"file\": ";
  json.reserve(128 + 128 * check.problems.size());
  AddJsonString(json, file);
  for (const auto& [name, value] : {std::pair{"version", check.version}, {"sectors", check.sectors},
                                    {"walls", check.walls}, {"sprites", check.sprites},
                                    {"errors", check.Count(Severity::Error)},
                                    {"warnings", check.Count(Severity::Warning)}, {"notes", check.Count(Severity::Note)}}) {
    ((json += ", \"") += name) += "\": ";
    json += std::to_string(value);
  }
  json += ", \"problems\": [";
  for (const Problem& problem : check.problems) {
    const CheckRule& rule = RuleOf(problem.code);
    const bool indexed = rule.subject != Subject::File && rule.subject != Subject::Start;
    json += &problem == check.problems.data() ? "{\"code\": \"" : ", {\"code\": \"";
    // Codes, severities and kinds are plain words.
    ((((json += rule.name) += "\", \"severity\": \"") += SeverityName(rule.severity)) += "\", \"kind\": \"") +=
        SubjectName(rule.subject);
    json += "\", \"index\": ";
    json += indexed ? std::to_string(problem.index) : "null";
    json += ", \"text\": ";
    AddJsonString(json, ProblemText(problem, check.fit, false));
    json += '}';
  }
  return json + "]}";
}

std::string UnreadableJson(std::string_view file, std::string_view message) {
  const std::size_t text = message.find_first_not_of(' ');
  return "{\"file\": " + JsonString(file) +
         ", \"message\": " + JsonString(message.substr(std::min(text, message.size()))) + "}";
}

}  // namespace tessaro
