#include "save/reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/platform_files.h"
#include "base/text.h"

namespace tlmaper {
namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

constexpr const char* RootName = "TidelornSaveFile";

// The first `item` element inside the first `list` element of the save's root.
const XMLElement* FirstListItem(const XMLDocument& document, const char* list, const char* item) {
  const XMLElement* root = document.FirstChildElement(RootName);
  const XMLElement* parent = root ? root->FirstChildElement(list) : nullptr;
  return parent ? parent->FirstChildElement(item) : nullptr;
}

bool ValueEquals(const char* value, const char* expected) {
  return value != nullptr && std::strcmp(value, expected) == 0;
}

void ScanIntValue(const char* value, int32_t& field) {
  if (value != nullptr) ParseInt(value, field);
}

// The values of the attributes an island carries, or null where one is missing.
struct IslandAttributes {
  const char* explored = nullptr;
  const char* islandType = nullptr;
  const char* name = nullptr;
  const char* x = nullptr;
  const char* y = nullptr;
  const char* difficulty = nullptr;
};

const char** IslandAttributeSlot(IslandAttributes& found, const char* name) {
  switch (name[0]) {
    case 'E':
      return std::strcmp(name, "Explored") == 0 ? &found.explored : nullptr;
    case 'I':
      return std::strcmp(name, "IslandType") == 0 ? &found.islandType : nullptr;
    case 'N':
      return std::strcmp(name, "Name") == 0 ? &found.name : nullptr;
    case 'X':
      return name[1] == '\0' ? &found.x : nullptr;
    case 'Y':
      return name[1] == '\0' ? &found.y : nullptr;
    case 'D':
      return std::strcmp(name, "Difficulty") == 0 ? &found.difficulty : nullptr;
    default:
      return nullptr;
  }
}

// One pass over the element's attributes instead of a search per name (islands are
// most of a save). As with a search by name, the first attribute of a name counts.
IslandAttributes FindIslandAttributes(const XMLElement& element) {
  IslandAttributes found;
  for (const tinyxml2::XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
       attribute = attribute->Next()) {
    const char** slot = IslandAttributeSlot(found, attribute->Name());
    if (slot != nullptr && *slot == nullptr) *slot = attribute->Value();
  }
  return found;
}

IslandRecord ReadIsland(const XMLElement& element) {
  const IslandAttributes found = FindIslandAttributes(element);
  IslandRecord island;
  island.isExplored = ValueEquals(found.explored, "True");
  island.isTown = ValueEquals(found.islandType, "Town");
  if (found.name != nullptr) island.name = CleanIslandName(found.name);
  ScanIntValue(found.x, island.x);
  ScanIntValue(found.y, island.y);
  ScanIntValue(found.difficulty, island.difficulty);
  return island;
}

// The number of elements named `name` from `first` on, so that a list is sized once.
size_t CountSiblings(const XMLElement* first, const char* name) {
  size_t count = 0;
  for (; first != nullptr; first = first->NextSiblingElement(name)) ++count;
  return count;
}

#ifdef _WIN32
// The file's bytes, read whole; false when they cannot be.
bool ReadAll(std::FILE* file, std::unique_ptr<char[]>& bytes, size_t& size) {
  if (_fseeki64(file, 0, SEEK_END) != 0) return false;
  const long long length = _ftelli64(file);
  if (length < 0 || _fseeki64(file, 0, SEEK_SET) != 0) return false;
  size = static_cast<size_t>(length);
  bytes.reset(new (std::nothrow) char[size]);
  return bytes && std::fread(bytes.get(), 1, size, file) == size;
}
#endif

}  // namespace

int LoadSaveDocument(XMLDocument& document, const std::string& path) {
  // Opened here rather than by the library, so that the path is taken as UTF-8 on every
  // platform. A file that cannot be opened is the library's "file not found".
  std::FILE* file = OpenFileForReading(path);
  if (file == nullptr) return tinyxml2::XML_ERROR_FILE_NOT_FOUND;
#ifdef _WIN32
  // The file is let go before its bytes are parsed, so that a game saving again is
  // held up for as short a time as can be.
  std::unique_ptr<char[]> bytes;
  size_t size = 0;
  const bool read = ReadAll(file, bytes, size);
  std::fclose(file);
  if (!read) return tinyxml2::XML_ERROR_FILE_READ_ERROR;
  return document.Parse(bytes.get(), size);
#else
  const int error = document.LoadFile(file);
  std::fclose(file);
  return error;
#endif
}

bool IsSaveDocument(const XMLDocument& document) {
  const XMLElement* root = document.RootElement();
  return root != nullptr && std::strcmp(root->Name(), RootName) == 0;
}

void ReadIslands(const XMLDocument& document, WorldModel& world) {
  const XMLElement* first = FirstListItem(document, "Islands", "IslandData");
  world.islands.reserve(world.islands.size() + CountSiblings(first, "IslandData"));
  for (const XMLElement* element = first; element != nullptr;
       element = element->NextSiblingElement("IslandData")) {
    world.islands.push_back(ReadIsland(*element));
    ExtendBounds(world.bounds, world.islands.back().x, world.islands.back().y);
  }
}

void ReadShips(const XMLDocument& document, WorldModel& world) {
  for (const XMLElement* element = FirstListItem(document, "MapShips", "MapShip");
       element != nullptr; element = element->NextSiblingElement("MapShip")) {
    ShipRecord ship;
    const char* location = element->Attribute("location");
    if (location == nullptr || !ParseShipLocation(location, ship)) continue;
    ScanIntAttribute(*element, "dificulty", ship.difficulty);
    world.ships.push_back(ship);
  }
}

void ReadPlayer(const XMLDocument& document, WorldModel& world) {
  const XMLElement* root = document.FirstChildElement(RootName);
  const XMLElement* player = root ? root->FirstChildElement("PlayerData") : nullptr;
  if (player == nullptr) return;
  ScanIntAttribute(*player, "X", world.player.x);
  ScanIntAttribute(*player, "Y", world.player.y);
  if (const char* worldName = player->Attribute("WorldName")) world.player.worldName = worldName;
}

std::string CleanIslandName(std::string_view name) {
  std::string cleaned = ReplaceAll(name, "&#xD;", "");
  if (!cleaned.empty() && cleaned.back() == '\n') cleaned.pop_back();
  if (!cleaned.empty() && cleaned.back() == '\r') cleaned.pop_back();
  return cleaned;
}

bool ParseShipLocation(std::string_view location, ShipRecord& ship) {
  if (location.size() < 3 || location.front() != '(' || location.back() != ')') return false;
  const std::string inner = ReplaceAll(location.substr(1, location.size() - 2), " ", "");
  std::vector<std::string> fields;
  SplitString(inner, ",", fields);
  if (fields.size() == 2) {
    ParseInt(fields[0], ship.x);
    ParseInt(fields[1], ship.y);
  }
  return true;
}

void ScanIntAttribute(const XMLElement& element, const char* name, int32_t& field) {
  ScanIntValue(element.Attribute(name), field);
}

void ExtendBounds(MapBounds& bounds, int32_t x, int32_t y) {
  bounds.minX = std::min(bounds.minX, x);
  bounds.maxX = std::max(bounds.maxX, x);
  bounds.minY = std::min(bounds.minY, y);
  bounds.maxY = std::max(bounds.maxY, y);
}

}  // namespace tlmaper
