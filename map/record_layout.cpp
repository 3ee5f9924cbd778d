#include "map/record_layout.hpp"

namespace tessaro {

namespace {

constexpr std::string_view kFieldNames[] = {
#define TESSARO_FIELD_NAME(name) #name,
    TESSARO_RECORD_FIELDS(TESSARO_FIELD_NAME)
#undef TESSARO_FIELD_NAME
};

constexpr RecordLayout kLayouts[][3] = {
    {{layout::kSectorV3, RecordSizeTable[3].sector},
     {layout::kWallV3, RecordSizeTable[3].wall},
     {layout::kSpriteV3, RecordSizeTable[3].sprite}},
    {{layout::kSectorV4, RecordSizeTable[4].sector},
     {layout::kWallV4, RecordSizeTable[4].wall},
     {layout::kSpriteV4, RecordSizeTable[4].sprite}},
    {{layout::kSectorV5, RecordSizeTable[5].sector},
     {layout::kWallV5, RecordSizeTable[5].wall},
     {layout::kSpriteV5, RecordSizeTable[5].sprite}},
    {{layout::kSectorV6, RecordSizeTable[6].sector},
     {layout::kWallV6, RecordSizeTable[6].wall},
     {layout::kSpriteV6, RecordSizeTable[6].sprite}},
    {{layout::kSectorV7, RecordSizeTable[7].sector},
     {layout::kWallV7, RecordSizeTable[7].wall},
     {layout::kSpriteV7, RecordSizeTable[7].sprite}},
};

}  // namespace

std::string_view FieldName(Field field) {
  const auto index = static_cast<std::size_t>(field);
  return index < std::size(kFieldNames) ? kFieldNames[index] : std::string_view("?");
}

std::string_view KindName(RecordKind kind) {
  return kind == RecordKind::Sector ? "sector" : kind == RecordKind::Wall ? "wall" : "sprite";
}

const RecordLayout& LayoutOf(std::int32_t version, RecordKind kind) {
  // An unknown version has no fields and no size, so nothing can be read through it.
  static constexpr RecordLayout kNoLayout{{}, 0};
  if (!IsKnownVersion(version)) return kNoLayout;
  const auto row = static_cast<std::size_t>(version - kLowestVersion);
  return kLayouts[row][static_cast<std::size_t>(kind)];
}

}  // namespace tessaro
