// Reads a parsed save file into the world model. Reading is lenient: a missing or
// unreadable attribute leaves its field at the default, a ship without a well-formed
// location is left out, and nothing is ever printed.
#pragma once

#include <tinyxml2.h>

#include <string>
#include <string_view>

#include "save/world.h"

namespace tlmaper {

// Loads and parses the file; the library's error code, 0 on success.
int LoadSaveDocument(tinyxml2::XMLDocument& document, const std::string& path);

// True when the document's root element is a save's, "TidelornSaveFile". Any other
// well-formed XML would otherwise read as an empty world.
bool IsSaveDocument(const tinyxml2::XMLDocument& document);

void ReadIslands(const tinyxml2::XMLDocument& document, WorldModel& world);
void ReadShips(const tinyxml2::XMLDocument& document, WorldModel& world);
void ReadPlayer(const tinyxml2::XMLDocument& document, WorldModel& world);

// Removes the text "&#xD;" everywhere, then one trailing line feed, then one trailing
// carriage return.
std::string CleanIslandName(std::string_view name);

// Decodes "(x, y)". False when the text is not enclosed in parentheses (the ship is
// then left out); a field that cannot be read leaves its coordinate unchanged.
bool ParseShipLocation(std::string_view location, ShipRecord& ship);

// Reads the attribute as a decimal integer into `field`; a missing attribute or an
// unreadable or out-of-range number leaves `field` unchanged.
void ScanIntAttribute(const tinyxml2::XMLElement& element, const char* name, int32_t& field);

void ExtendBounds(MapBounds& bounds, int32_t x, int32_t y);

}  // namespace tlmaper
