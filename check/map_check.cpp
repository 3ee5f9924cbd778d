#include "check/map_check.hpp"

#include <algorithm>
#include <numeric>
#include <tuple>

#include "map/records.hpp"

namespace tessaro {

namespace {

using enum CheckCode;

// x1·y2 − x2·y1 of coordinates relative to a point needs 67 bits.
__extension__ typedef __int128 Wide;

// One field of every held record, read once: the passes then index plain arrays. The loop is made
// for each field size and sign, as reading the field is most of its work.
template <std::size_t kSize, Sign kSign>
void ReadColumn(const std::uint8_t* at, std::size_t stride, std::vector<std::int32_t>& column) {
  for (std::int32_t& value : column) {
    value = LoadLittleEndian(at, kSize, kSign);
    at += stride;
  }
}

std::vector<std::int32_t> Column(const MapFile& map, RecordKind kind, Field field, std::int32_t count) {
  std::vector<std::int32_t> column(static_cast<std::size_t>(count), 0);
  const RecordLayout& layout = LayoutOf(map.mapversion, kind);
  const FieldSpec* place = layout.Find(field);
  if (place == nullptr || count == 0) return column;
  const std::uint8_t* at = RecordBytes(map, kind).data() + place->offset;
  const bool is_signed = place->sign == Sign::Signed;
  switch (place->size) {
    case 1:
      is_signed ? ReadColumn<1, Sign::Signed>(at, layout.size, column) : ReadColumn<1, Sign::Unsigned>(at, layout.size, column);
      break;
    case 2:
      is_signed ? ReadColumn<2, Sign::Signed>(at, layout.size, column) : ReadColumn<2, Sign::Unsigned>(at, layout.size, column);
      break;
    default: ReadColumn<4, Sign::Signed>(at, layout.size, column);
  }
  return column;
}

constexpr std::size_t At(std::int32_t index) { return static_cast<std::size_t>(index); }

// The problems of each code apart, in the order found, as many as are kept, and how many there are:
// put together, they are in the order of the rules, each code's by record, without a sort.
struct Found {
  std::array<Problems, kCheckCodes> kept;
  std::array<std::int32_t, kCheckCodes> counts{};
  std::size_t keep;
};

void Keep(Found& found, const Problem& problem) {
  const auto code = static_cast<std::size_t>(problem.code);
  ++found.counts[code];
  if (found.kept[code].size() < found.keep) found.kept[code].push_back(problem);
}

class Checker {
 public:
  Checker(const MapFile& map, const MapCheck& check, Found& found)
      : map_(map),
        check_(check),
        found_(found),
        sectors_(check.sectors),
        walls_(check.walls),
        wallptr_(Column(map, RecordKind::Sector, Field::wallptr, sectors_)),
        wallnum_(Column(map, RecordKind::Sector, Field::wallnum, sectors_)),
        x_(Column(map, RecordKind::Wall, Field::x, walls_)),
        y_(Column(map, RecordKind::Wall, Field::y, walls_)),
        point2_(Column(map, RecordKind::Wall, Field::point2, walls_)),
        nextwall_(Column(map, RecordKind::Wall, Field::nextwall, walls_)),
        nextsector_(Column(map, RecordKind::Wall, Field::nextsector, walls_)),
        outside_(At(sectors_), false),
        shared_(At(sectors_), false),
        loops_whole_(At(sectors_), false),
        owner_(At(walls_), -1) {}

  void Run() {
    SectorRanges();
    Owners();
    Loops();
    Links();
    Sprites();
    Start();
  }

 private:
  void Add(CheckCode code, std::int32_t index, std::int32_t a = 0, std::int32_t b = 0, std::int32_t c = 0,
           std::int32_t d = 0) {
    Keep(found_, {code, index, {a, b, c, d}});
  }

  bool IsWall(std::int32_t index) const { return index >= 0 && index < walls_; }
  bool IsSector(std::int32_t index) const { return index >= 0 && index < sectors_; }
  // The end of a sector's walls, one past its last; 64 bits, as both fields come from the file.
  std::int64_t End(std::int32_t sector) const {
    return std::int64_t{wallptr_[At(sector)]} + wallnum_[At(sector)];
  }
  bool Holds(std::int32_t sector, std::int32_t wall) const {
    return wall >= wallptr_[At(sector)] && wall < End(sector);
  }

  void SectorRanges() {
    for (std::int32_t s = 0; s < sectors_; ++s) {
      const std::int32_t ptr = wallptr_[At(s)];
      const std::int32_t num = wallnum_[At(s)];
      outside_[At(s)] = num < 0 || ptr < 0 || End(s) > walls_;
      if (outside_[At(s)]) {
        Add(SectorWallsOutside, s, ptr, num, walls_);
      } else if (num < 3) {
        Add(SectorTooFewWalls, s, num);
      }
      // Within 16 bits each, so the end of a sector whose walls lie inside takes no more than 17.
      const auto expected = static_cast<std::int32_t>(s == 0 ? 0 : End(s - 1));
      if ((s == 0 || !outside_[At(s - 1)]) && ptr != expected) Add(SectorWallsOrder, s, ptr, expected, s - 1);
    }
  }

  // The lowest sector whose walls hold a wall owns it. Sectors claim their unclaimed walls in order;
  // `next_free[w]` leads to the first unclaimed wall from w on (with path halving), so that every
  // wall is claimed once however much the ranges overlap, and a sector's first wall that a lower
  // one claimed before shows as a gap between the walls it claims.
  void Owners() {
    std::vector<std::int32_t> next_free(At(walls_) + 1);
    std::iota(next_free.begin(), next_free.end(), 0);
    auto find_free = [&next_free](std::int32_t w) {
      while (next_free[At(w)] != w) {
        std::int32_t& link = next_free[At(w)];
        link = next_free[At(link)];
        w = link;
      }
      return w;
    };
    for (std::int32_t s = 0; s < sectors_; ++s) {
      if (wallnum_[At(s)] <= 0) continue;
      const auto first = static_cast<std::int32_t>(std::max<std::int64_t>(wallptr_[At(s)], 0));
      const auto last = static_cast<std::int32_t>(std::min<std::int64_t>(End(s) - 1, walls_ - 1));
      if (first > last) continue;
      std::int32_t w = find_free(first);
      std::int32_t taken = w != first ? first : -1;
      while (w <= last) {
        owner_[At(w)] = s;
        next_free[At(w)] = w + 1;
        const std::int32_t next = find_free(w + 1);
        if (taken < 0 && next != w + 1 && w + 1 <= last) taken = w + 1;
        w = next;
      }
      if (taken >= 0) {
        shared_[At(s)] = true;
        Add(WallsShared, s, taken, owner_[At(taken)]);
      }
    }
    for (std::int32_t w = 0; w < walls_; ++w) {
      if (owner_[At(w)] >= 0) continue;
      std::int32_t last = w;
      while (last + 1 < walls_ && owner_[At(last + 1)] < 0) ++last;
      Add(WallsUnowned, w, last);
      w = last;
    }
  }

  // In a sector that alone holds its walls, every wall's next point must be one of them, and no
  // two may lead to the same one. Such sectors' walls never overlap, so `led_from` is written once.
  // The walls are visited in their own order, so that their problems come by wall.
  void Loops() {
    for (std::int32_t s = 0; s < sectors_; ++s) loops_whole_[At(s)] = !outside_[At(s)] && !shared_[At(s)];
    for (std::int32_t w = 0; w < walls_; ++w) {
      const std::int32_t s = owner_[At(w)];
      if (s < 0 || outside_[At(s)] || shared_[At(s)] || Holds(s, point2_[At(w)])) continue;
      Add(WallPoint2Outside, w, point2_[At(w)], s, wallptr_[At(s)], static_cast<std::int32_t>(End(s) - 1));
      loops_whole_[At(s)] = false;
    }
    std::vector<std::int32_t> led_from(At(walls_), -1);
    for (std::int32_t s = 0; s < sectors_; ++s) {
      for (std::int32_t w = wallptr_[At(s)]; loops_whole_[At(s)] && w < End(s); ++w) {
        std::int32_t& from = led_from[At(point2_[At(w)])];
        if (from >= 0) {
          Add(SectorLoopsBroken, s, from, w, point2_[At(w)]);
          loops_whole_[At(s)] = false;
        }
        from = w;
      }
    }
  }

  bool SameSpot(std::int32_t a, std::int32_t b) const { return x_[At(a)] == x_[At(b)] && y_[At(a)] == y_[At(b)]; }

  void Links() {
    for (std::int32_t w = 0; w < walls_; ++w) {
      const std::int32_t end = point2_[At(w)];
      if (IsWall(end) && SameSpot(w, end)) Add(WallZeroLength, w, end);
      Link(w);
    }
  }

  // Only the first of the link rules that fires is reported.
  void Link(std::int32_t w) {
    const std::int32_t other = nextwall_[At(w)];
    const std::int32_t beyond = nextsector_[At(w)];
    if (other != -1 && !IsWall(other)) return Add(WallNextOutside, w, 0, other, walls_);
    if (beyond != -1 && !IsSector(beyond)) return Add(WallNextOutside, w, 1, beyond, sectors_);
    if (other == -1 && beyond == -1) return;
    if (other == -1 || beyond == -1) return Add(WallNextHalf, w, other, beyond);
    if (owner_[At(w)] == beyond) return Add(WallNextSelf, w, beyond);
    if (!outside_[At(beyond)] && !Holds(beyond, other)) {
      return Add(WallNextMismatch, w, other, beyond, wallptr_[At(beyond)], static_cast<std::int32_t>(End(beyond) - 1));
    }
    if (nextwall_[At(other)] != w) return Add(WallNextOneway, w, other, nextwall_[At(other)]);
    const std::int32_t end = point2_[At(w)];
    const std::int32_t other_end = point2_[At(other)];
    if (IsWall(end) && IsWall(other_end) && !(SameSpot(w, other_end) && SameSpot(end, other))) {
      Add(WallNextApart, w, other);
    }
  }

  // As the engines test it: a point is inside when an odd number of the sector's walls cross the
  // ray from it towards -x. Only for sectors whose loops are whole, so every point2 is a wall.
  bool Inside(std::int32_t px, std::int32_t py, std::int32_t sector) const {
    bool inside = false;
    for (std::int32_t w = wallptr_[At(sector)]; w < End(sector); ++w) {
      const std::int32_t end = point2_[At(w)];
      const std::int64_t x1 = std::int64_t{x_[At(w)]} - px;
      const std::int64_t y1 = std::int64_t{y_[At(w)]} - py;
      const std::int64_t x2 = std::int64_t{x_[At(end)]} - px;
      const std::int64_t y2 = std::int64_t{y_[At(end)]} - py;
      if ((y1 < 0) == (y2 < 0)) continue;
      if ((x1 < 0) == (x2 < 0)) {
        inside = inside != (x1 < 0);
      } else {
        inside = inside != ((Wide{x1} * y2 - Wide{x2} * y1 < 0) != (y2 < 0));
      }
    }
    return inside;
  }

  bool InsideTested(std::int32_t sector) const { return loops_whole_[At(sector)]; }

  void Sprites() {
    const std::int32_t count = check_.sprites;
    const std::vector<std::int32_t> x = Column(map_, RecordKind::Sprite, Field::x, count);
    const std::vector<std::int32_t> y = Column(map_, RecordKind::Sprite, Field::y, count);
    const std::vector<std::int32_t> sector = Column(map_, RecordKind::Sprite, Field::sectnum, count);
    const std::vector<std::int32_t> status = Column(map_, RecordKind::Sprite, Field::statnum, count);
    for (std::int32_t i = 0; i < count; ++i) {
      if (status[At(i)] < 0 || status[At(i)] > kHighestStatus) Add(SpriteStatusOutside, i, status[At(i)]);
      const std::int32_t in = sector[At(i)];
      if (!IsSector(in)) {
        Add(SpriteSectorOutside, i, in, sectors_);
      } else if (InsideTested(in) && !Inside(x[At(i)], y[At(i)], in)) {
        Add(SpriteOutsideSector, i, in);
      }
    }
  }

  void Start() {
    const std::int32_t in = map_.cursectnum;
    if (!IsSector(in)) {
      Add(StartSectorOutside, kNoIndex, in, sectors_);
    } else if (InsideTested(in) && !Inside(map_.posx, map_.posy, in)) {
      Add(StartOutsideSector, kNoIndex, in);
    }
  }

  const MapFile& map_;
  const MapCheck& check_;
  Found& found_;
  const std::int32_t sectors_;
  const std::int32_t walls_;
  const std::vector<std::int32_t> wallptr_, wallnum_;
  const std::vector<std::int32_t> x_, y_, point2_, nextwall_, nextsector_;
  std::vector<bool> outside_, shared_, loops_whole_;
  std::vector<std::int32_t> owner_;
};

}  // namespace

std::int32_t MapCheck::Count(Severity severity) const {
  std::int32_t count = 0;
  for (std::size_t code = 0; code < kCheckCodes; ++code) {
    if (RuleOf(static_cast<CheckCode>(code)).severity == severity) count += counts[code];
  }
  return count;
}

std::vector<Problem> LimitProblems(std::int32_t version, std::int32_t sectors, std::int32_t walls,
                                   std::int32_t sprites) {
  const VersionLimits limits = LimitsOf(version);
  std::vector<Problem> problems;
  if (!IsKnownVersion(version)) return problems;
  for (const auto& [code, count, most] : {std::tuple{LimitSectors, sectors, limits.sectors},
                                          std::tuple{LimitWalls, walls, limits.walls},
                                          std::tuple{LimitSprites, sprites, limits.sprites}}) {
    if (count > most) problems.push_back({code, version, {count, most, 0, 0}});
  }
  return problems;
}

MapCheck CheckMap(const MapFile& map, const FileFit& fit, std::int32_t target, std::size_t keep) {
  MapCheck check;
  check.version = map.mapversion;
  check.sectors = RecordsHeld(map, RecordKind::Sector);
  check.walls = RecordsHeld(map, RecordKind::Wall);
  check.sprites = RecordsHeld(map, RecordKind::Sprite);
  check.fit = fit;
  Found found{{}, {}, keep};
  if (fit.missing > 0) Keep(found, {FileShort, kNoIndex, {}});
  // Real version 5 files end with two zero bytes: only other bytes are worth a word.
  if (fit.extra > 0 && !fit.extra_zero) Keep(found, {FileLong, kNoIndex, {}});
  for (const std::int32_t version : {map.mapversion, target == map.mapversion ? 0 : target}) {
    for (const Problem& problem : LimitProblems(version, check.sectors, check.walls, check.sprites)) Keep(found, problem);
  }
  Checker(map, check, found).Run();
  std::size_t count = 0;
  for (const Problems& code : found.kept) count += code.size();
  check.problems.reserve(count);
  for (Problems& code : found.kept) {
    check.problems.insert(check.problems.end(), code.begin(), code.end());
    Problems().swap(code);  // at once, so that the largest lists are not held twice
  }
  check.counts = found.counts;
  return check;
}

}  // namespace tessaro
