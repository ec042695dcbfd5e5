// Writes a deterministic save file for the render benchmark: two islands pinned at
// (0, 0) and (SPAN, SPAN), so the canvas is (2 SPAN + 64) pixels square, the others
// spread over 0..SPAN, and ships of which every fifth lies outside the islands' extent.
// Usage: render_make_save ISLANDS SHIPS SPAN OUTPUT.xml
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

uint64_t state = 0x2545F4914F6CDD1Dull;

int32_t Next(int32_t limit) {  // xorshift64*, the same sequence on every machine
  state ^= state >> 12;
  state ^= state << 25;
  state ^= state >> 27;
  return int32_t((state * 0x2545F4914F6CDD1Dull >> 33) % uint64_t(limit));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: render_make_save ISLANDS SHIPS SPAN OUTPUT.xml\n");
    return 2;
  }
  const int islands = std::atoi(argv[1]);
  const int ships = std::atoi(argv[2]);
  const int32_t span = std::atoi(argv[3]);
  std::FILE* out = std::fopen(argv[4], "wb");
  if (out == nullptr || islands < 2 || span < 1) return 1;
  std::fprintf(out, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TidelornSaveFile>\n");
  std::fprintf(out, "  <PlayerData X=\"%d\" Y=\"%d\" WorldName=\"Benchmark Reach\" />\n", span / 2,
               span / 2);
  std::fprintf(out, "  <Islands>\n");
  for (int i = 0; i < islands; ++i) {
    const int32_t x = i == 0 ? 0 : i == 1 ? span : Next(span + 1);
    const int32_t y = i == 0 ? 0 : i == 1 ? span : Next(span + 1);
    std::fprintf(out,
                 "    <IslandData Name=\"Isle %d&#xD;&#xA;\" X=\"%d\" Y=\"%d\" Difficulty=\"%d\" "
                 "Explored=\"%s\" IslandType=\"%s\" />\n",
                 i, x, y, Next(10), Next(3) == 0 ? "True" : "False",
                 Next(8) == 0 ? "Town" : "Wild");
  }
  std::fprintf(out, "  </Islands>\n  <MapShips>\n");
  for (int i = 0; i < ships; ++i) {
    const bool outside = i % 5 == 0;
    const int32_t x = outside ? span + 10 + Next(span) : Next(span + 1);
    const int32_t y = outside ? -10 - Next(span) : Next(span + 1);
    std::fprintf(out, "    <MapShip location=\"(%d, %d)\" dificulty=\"%d\" Heading=\"90\" />\n", x,
                 y, Next(12));
  }
  std::fprintf(out, "  </MapShips>\n</TidelornSaveFile>\n");
  return std::fclose(out) == 0 ? 0 : 1;
}
