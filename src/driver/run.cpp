#include "driver/run.h"

#include <tinyxml2.h>

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "base/message_line.h"
#include "base/platform_files.h"
#include "base/text.h"
#include "page/layers.h"
#include "page/notes.h"
#include "page/notes_file.h"
#include "page/page.h"
#include "raster/render.h"
#include "save/reader.h"

namespace tlmaper {

namespace {

// An island whose centre is off the canvas is drawn in part or not at all: the map
// looks complete but is not, so the run says how many there are.
void PrintIslandsOutsideWarning(size_t count) {
  if (count == 0) return;
  PrintLine(stderr, count == 1
                        ? std::string("Warning: 1 island lies outside the map")
                        : "Warning: " + std::to_string(count) + " islands lie outside the map");
}

// True when writing `outputPath` would replace the save file itself (the same name,
// or another name for the same file).
bool WouldOverwriteSave(const std::string& savePath, const std::string& outputPath) {
  std::error_code error;
  return savePath == outputPath ||
         std::filesystem::equivalent(PathFromUtf8(savePath), PathFromUtf8(outputPath), error);
}

// Runs `work` on a new thread, or right here when no thread can be had. The thread
// is joined when the result goes, also when the run is cut short.
template <typename Work>
std::jthread StartThread(Work work) {
  try {
    return std::jthread(work);
  } catch (const std::system_error&) {
    work();
    return std::jthread();
  }
}

// The page of a run, made beside the map.
struct PageJob {
  PendingFile file;
  TemplateFallback templateFallback = TemplateFallback::None;
  bool notesUnreadable = false;  // a notes file that is left out of the page
  bool started = false;          // the whole page is in `file`
  bool outOfMemory = false;
};

// The notes beside the save, filled in last. A notes file that cannot be read is left as
// it is, and the page is made without notes.
void FillSaveNotes(const SavePaths& paths, PageTemplate& page, PageJob& job) {
  NoteSet notes;
  std::string problem;
  const NotesFileRead read =
      HasNotesFile(paths) ? ReadNotesFile(paths.notes, notes, problem) : NotesFileRead::Missing;
  job.notesUnreadable = read == NotesFileRead::Unreadable;
  FillNotesPlaceholder(page, read == NotesFileRead::Read ? &notes : nullptr);
}

void MakePage(const WorldModel& world, const SavePaths& paths, PageJob& job) {
  try {
    PageTemplate page = LoadPageTemplate(paths.page, job.templateFallback);
    FillWorldPlaceholders(page, world.player, world.bounds, paths.image);
    BuildMarkerLayers(world.islands, world.ships, page);
    FillSaveNotes(paths, page, job);
    job.started = StartPageFile(page, paths.page, job.file);
  } catch (const std::bad_alloc&) {
    job.outOfMemory = true;
  }
}

void PrintNotesWarning(const PageJob& page, const SavePaths& paths) {
  if (!page.notesUnreadable) return;
  PrintLine(stderr, "Warning: cannot read the notes in " + paths.notes +
                        ", the page is written without them");
}

// How drawing and writing the map went.
enum class MapOutcome { Written, WriteFailed, SizeRefused };

MapOutcome DrawAndWriteMap(const WorldModel& world, const std::string& imagePath) {
  RasterImage map;
  if (!RenderMap(world.islands, world.ships, world.bounds, map)) return MapOutcome::SizeRefused;
  PrintIslandsOutsideWarning(CountIslandsOutsideCanvas(world.islands, map));
  return map.BmpWriter(imagePath) ? MapOutcome::Written : MapOutcome::WriteFailed;
}

// The steps after a successful load. Every step runs even when an earlier one failed;
// a failure only changes the exit status, except a map too large to draw.
int WriteOutputs(const tinyxml2::XMLDocument& document, const SavePaths& paths, MapReport& report) {
  report.failure = MapFailure::Write;
  const std::string& savePath = paths.save;
  const std::string& imagePath = paths.image;
  const std::string& pagePath = paths.page;
  for (const std::string& output : {imagePath, pagePath}) {
    if (WouldOverwriteSave(savePath, output)) {
      PrintLine(stderr, "Error: output file " + output + " would overwrite the save file");
      return ExitFailure;
    }
  }

  int status = ExitSuccess;
  WorldModel world;
  ReadIslands(document, world);
  ReadShips(document, world);
  ReadPlayer(document, world);
  report.worldName = world.player.worldName;
  report.playerX = world.player.x;
  report.playerY = world.player.y;
  // The page needs only the world and the two paths: it is made and written to its
  // temporary file on a second thread while the map is drawn and written. It is put in
  // place, and anything it has to report is printed, after the map, as in a run that
  // does one thing after the other.
  PageJob page;
  std::jthread pageMaker = StartThread([&] { MakePage(world, paths, page); });
  const MapOutcome map = DrawAndWriteMap(world, imagePath);
  if (pageMaker.joinable()) pageMaker.join();
  // A map whose size was refused would be a blank pixel replacing a good earlier map,
  // and its page would show that pixel: neither is written.
  if (map == MapOutcome::SizeRefused) {
    report.failure = MapFailure::Draw;
    DiscardPendingFile(page.file);
    PrintLine(stderr,
              "Error: the map of " + savePath + " is too large to draw, nothing was written");
    return ExitFailure;
  }
  if (map == MapOutcome::WriteFailed) status = ExitFailure;
  if (page.outOfMemory) throw std::bad_alloc();
  PrintTemplateFallbackWarning(page.templateFallback);
  PrintNotesWarning(page, paths);
  if (!FinishPageFile(page.started, page.file, pagePath)) status = ExitFailure;
  return status;
}

int MapSave(const SavePaths& paths, MapReport& report) {
  report.failure = MapFailure::Read;
  const std::string& savePath = paths.save;
  tinyxml2::XMLDocument document;
  const int loadError = LoadSaveDocument(document, savePath);
  if (loadError != 0) {
    PrintLine(stderr, "Error " + FormatInt(loadError) + " parsing xml file");
    return ExitFailure;
  }
  if (!IsSaveDocument(document)) {
    PrintLine(stderr, "Error: " + savePath + " is not a Tidelorn save file");
    return ExitFailure;
  }
  return WriteOutputs(document, paths, report);
}

}  // namespace

int MapSaveFile(const SavePaths& paths, const std::string& messagePrefix, MapReport* report) {
  SetMessagePrefix(messagePrefix);
  int status = ExitFailure;
  MapReport told;
  // Memory running out is the one failure that can reach this far; the outputs are
  // then left as they were (a file being written is discarded as the run unwinds).
  try {
    status = MapSave(paths, told);
  } catch (const std::bad_alloc&) {
    PrintLine(stderr, "Error: not enough memory to map " + paths.save);
  }
  SetMessagePrefix("");
  if (report) *report = std::move(told);
  return status;
}

bool HasNotesFile(const SavePaths& paths) {
  return !WouldOverwriteSave(paths.save, paths.notes);
}

}  // namespace tlmaper
