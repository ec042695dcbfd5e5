// The parse floor: load a save with tinyxml2 and walk every island and ship element,
// reading its attributes, and nothing else. A run of the tool cannot read a save
// faster than this.
#include <tinyxml2.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  tinyxml2::XMLDocument document;
  if (document.LoadFile(argv[1]) != tinyxml2::XML_SUCCESS) return 1;
  const tinyxml2::XMLElement* root = document.FirstChildElement("TidelornSaveFile");
  if (root == nullptr) return 1;
  long sum = 0;
  const char* islandAttributes[] = {"Name", "X", "Y", "Difficulty", "Explored", "IslandType"};
  for (const auto* e = root->FirstChildElement("Islands")->FirstChildElement("IslandData"); e;
       e = e->NextSiblingElement("IslandData")) {
    for (const char* name : islandAttributes) {
      if (const char* value = e->Attribute(name)) sum += value[0];
    }
  }
  for (const auto* e = root->FirstChildElement("MapShips")->FirstChildElement("MapShip"); e;
       e = e->NextSiblingElement("MapShip")) {
    for (const char* name : {"location", "dificulty"}) {
      if (const char* value = e->Attribute(name)) sum += value[0];
    }
  }
  std::printf("%ld\n", sum);
  return 0;
}
